#include "braille/braillesession.h"
#include "runtime/notices.h"
#include "tests/support/waituntil.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// A display of ten cells whose keys the test presses: a key is queued and
// a byte written to a socket pair wakes the session's notifier. It records
// what it was asked, from the session's thread.
class TRecordingDisplay : public TBrailleDisplay {
public:
    struct TShared {
        std::mutex lock;
        bool answers = true;
        int opens = 0;
        std::vector<unsigned long> windows;
        std::vector<std::pair<QString, int>> writes;
        std::vector<TBrailleKey> keys;
        bool unplugged = false;
        // The server died: a write goes to a socket nobody reads.
        bool died = false;
        int wakeup = -1;
    };

    explicit TRecordingDisplay(TShared& shared)
        : m_shared(shared)
    {
    }
    ~TRecordingDisplay() override { close(); }

    bool open(unsigned long window) override
    {
        std::lock_guard guard(m_shared.lock);
        ++m_shared.opens;
        if (!m_shared.answers)
            return false;
        int pair[2];
        socketpair(AF_UNIX, SOCK_STREAM, 0, pair);
        m_descriptor = pair[0];
        m_shared.wakeup = pair[1];
        m_shared.windows.push_back(window);
        return true;
    }
    bool follow(unsigned long window) override
    {
        std::lock_guard guard(m_shared.lock);
        m_shared.windows.push_back(window);
        return true;
    }
    bool leave() override
    {
        std::lock_guard guard(m_shared.lock);
        m_shared.windows.push_back(0);
        return true;
    }
    void close() override
    {
        if (m_descriptor < 0)
            return;
        ::close(m_descriptor);
        m_descriptor = -1;
    }
    int descriptor() const override { return m_descriptor; }
    int cellcount() const override { return 10; }
    bool write(const QString& text, int cursor) override
    {
        std::lock_guard guard(m_shared.lock);
        if (m_shared.died) {
            int pair[2];
            socketpair(AF_UNIX, SOCK_STREAM, 0, pair);
            ::close(pair[1]);
            bool written = ::write(pair[0], "x", 1) == 1; // as BrlAPI writes
            ::close(pair[0]);
            return written;
        }
        m_shared.writes.emplace_back(text, cursor);
        return true;
    }
    TKeyRead readkey(TBrailleKey& key) override
    {
        std::lock_guard guard(m_shared.lock);
        char byte;
        if (::recv(m_descriptor, &byte, 1, MSG_DONTWAIT) != 1 && m_shared.keys.empty())
            return m_shared.unplugged ? TKeyRead::lost : TKeyRead::none;
        if (m_shared.unplugged)
            return TKeyRead::lost;
        if (m_shared.keys.empty())
            return TKeyRead::none;
        key = m_shared.keys.front();
        m_shared.keys.erase(m_shared.keys.begin());
        return TKeyRead::key;
    }

private:
    TShared& m_shared;
    int m_descriptor = -1;
};

class BrailleSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        session = std::make_unique<TBrailleSession>(std::make_unique<TRecordingDisplay>(shared));
        session->setkeyhandlers({ [this](const std::string& pattern) { chords.push_back(pattern); },
            [this](int column) { routes.push_back(column); } });
    }

    void press(TBrailleKey key)
    {
        std::lock_guard guard(shared.lock);
        shared.keys.push_back(key);
        char byte = 0;
        ::send(shared.wakeup, &byte, 1, 0);
    }
    size_t writecount()
    {
        std::lock_guard guard(shared.lock);
        return shared.writes.size();
    }
    std::pair<QString, int> lastwrite()
    {
        std::lock_guard guard(shared.lock);
        return shared.writes.empty() ? std::pair<QString, int> {} : shared.writes.back();
    }
    bool opened()
    {
        return waituntil([this] { return session->displayopen(); });
    }

    TRecordingDisplay::TShared shared;
    std::unique_ptr<TBrailleSession> session;
    std::vector<std::string> chords;
    std::vector<int> routes;
};

const QString eighty = QString("0123456789").repeated(8);
// A line whose first parts differ, where a part shown must be told apart.
const QString lettered = QString("ABCDEFGHIJKLMNOPQRSTUVWXYZ").repeated(4).left(80);

}

TEST_F(BrailleSessionTest, TheLineIsShownTheDisplaysWidthAroundTheCursor)
{
    struct TRow {
        const char* name;
        int cursor;
        QString shown;
        int cell;
    };
    const TRow rows[] = {
        { "at the start", 0, eighty.mid(0, 10), 0 },
        { "last cell of the first part", 9, eighty.mid(0, 10), 9 },
        { "first cell of the second part", 10, eighty.mid(10, 10), 0 },
        { "past the end of the line", 80, QString(), 0 },
        { "no cursor", -1, eighty.mid(0, 10), -1 },
    };
    session->windowchanged(7);
    ASSERT_TRUE(opened());
    for (const TRow& row : rows) {
        session->show(eighty, row.cursor);
        // A change waits at most one coalescing interval.
        ASSERT_TRUE(waituntil([&] { return lastwrite() == std::pair { row.shown, row.cell }; }, 2000)) << row.name;
    }
}

TEST_F(BrailleSessionTest, ABurstOfChangesReachesTheDisplayCoalescedEndingWithTheLast)
{
    session->windowchanged(7);
    ASSERT_TRUE(opened());
    ASSERT_TRUE(waituntil([&] { return writecount() == 1; }));
    for (int column = 0; column < 200; ++column)
        session->show("printing", column % 8);
    session->show("done", 4);
    ASSERT_TRUE(waituntil([&] { return lastwrite() == std::pair { QString("done"), 4 }; }));
    // The burst took no time at all; the first change went out at once and
    // the rest waited for one interval.
    EXPECT_LE(writecount(), 3u);
}

TEST_F(BrailleSessionTest, ADisplayLeftToAScreenReaderIsNotWrittenUntilTakenBackWithTheLatestLine)
{
    session->windowchanged(7);
    ASSERT_TRUE(opened());
    session->show("game", 1);
    ASSERT_TRUE(waituntil([&] { return lastwrite() == std::pair { QString("game"), 1 }; }));

    session->windowchanged(0);
    session->show("later", 3);
    QCoreApplication::processEvents();
    auto windows = [&] {
        std::lock_guard guard(shared.lock);
        return shared.windows;
    };
    ASSERT_TRUE(waituntil([&] { return windows().back() == 0; })) << "the display was not let go";
    EXPECT_EQ(lastwrite().first, "game") << "written while the screen reader had the display";

    session->windowchanged(7);
    ASSERT_TRUE(waituntil([&] { return lastwrite() == std::pair { QString("later"), 3 }; }));
    EXPECT_EQ(windows(), (std::vector<unsigned long> { 7, 0, 7 }));
    EXPECT_EQ(shared.opens, 1) << "the connection was not kept while the display was left";
}

TEST_F(BrailleSessionTest, KeysBecomeChordsRoutesAndPanning)
{
    session->windowchanged(7);
    ASSERT_TRUE(opened());
    session->show(eighty, 0);
    press({ TBrailleKey::TKind::dots, 0b000011 });
    press({ TBrailleKey::TKind::dots, 0 });
    press({ TBrailleKey::TKind::dots, 0b11000000 }); // dots 7 and 8 alone type nothing
    ASSERT_TRUE(waituntil([&] { return chords.size() == 2; }));
    EXPECT_EQ(chords, (std::vector<std::string> { "12", " " }));

    session->show(lettered, 0);
    press({ TBrailleKey::TKind::panright, 0 });
    ASSERT_TRUE(waituntil([&] { return lastwrite().first == lettered.mid(10, 10); }));
    EXPECT_EQ(lastwrite().second, -1); // the cursor is in the part left behind
    press({ TBrailleKey::TKind::route, 3 });
    ASSERT_TRUE(waituntil([&] { return !routes.empty(); }));
    EXPECT_EQ(routes, (std::vector<int> { 13 }));

    // Another window, whose line has no cursor, shows its start.
    session->windowchanged(8);
    session->show(lettered, -1);
    ASSERT_TRUE(waituntil([&] { return lastwrite().first == lettered.mid(0, 10); }))
        << lastwrite().first.toStdString();
}

// A notice told before the display opened is shown once it opens, over the
// line; the panning keys read it on, a routing key only brings the line
// back instead of acting on a line the user could not see, and a change of
// the line is never hidden by a notice.
TEST_F(BrailleSessionTest, ANoticeWaitsForTheDisplayAndHidesNoLineFromItsKeys)
{
    const QString notice = "The own voice is not available";
    session->show(eighty, 0);
    session->shownotice(notice);
    session->windowchanged(7);
    ASSERT_TRUE(opened());
    ASSERT_TRUE(waituntil([&] { return lastwrite() == std::pair { notice.left(10), -1 }; }));
    press({ TBrailleKey::TKind::panright, 0 });
    ASSERT_TRUE(waituntil([&] { return lastwrite() == std::pair { notice.mid(10, 10), -1 }; }));
    press({ TBrailleKey::TKind::route, 3 });
    ASSERT_TRUE(waituntil([&] { return lastwrite() == std::pair { eighty.left(10), 0 }; }));
    EXPECT_TRUE(routes.empty());

    session->shownotice(notice);
    session->show(lettered, 0);
    ASSERT_TRUE(waituntil([&] { return lastwrite() == std::pair { lettered.left(10), 0 }; }));
}

TEST_F(BrailleSessionTest, AMissingDisplayIsTriedAgainOnlyAtTheNextWindowChange)
{
    shared.answers = false;
    session->windowchanged(7);
    ASSERT_TRUE(waituntil([&] { return session->state() == TBrailleSession::TState::closed; }));
    for (int change = 0; change < 50; ++change)
        session->show("text", 0);
    // Nothing tries the display again meanwhile, however long the window
    // stays.
    auto opens = [&] {
        std::lock_guard guard(shared.lock);
        return shared.opens;
    };
    EXPECT_FALSE(waituntil([&] { return opens() > 1; }, 300));
    EXPECT_EQ(opens(), 1);
    {
        std::lock_guard guard(shared.lock);
        shared.answers = true;
    }
    session->windowchanged(8);
    ASSERT_TRUE(opened());
    EXPECT_TRUE(waituntil([&] { return lastwrite() == std::pair { QString("text"), 0 }; }));
}

TEST_F(BrailleSessionTest, AnUnpluggedDisplayIsLetGoUntilTheNextWindowChange)
{
    session->windowchanged(7);
    ASSERT_TRUE(opened());
    {
        std::lock_guard guard(shared.lock);
        shared.unplugged = true;
    }
    press({ TBrailleKey::TKind::dots, 1 });
    ASSERT_TRUE(waituntil([&] { return !session->displayopen(); }));
    EXPECT_TRUE(chords.empty());
    {
        std::lock_guard guard(shared.lock);
        shared.unplugged = false;
    }
    session->windowchanged(7);
    EXPECT_TRUE(opened());
}

// BRLTTY killed mid-write: the write meets a closed socket, which would end
// the process with SIGPIPE; the display is let go instead, the user is told
// once, and the display is looked for until BRLTTY is back.
TEST_F(BrailleSessionTest, AWriteAfterTheServerDiedLetsTheDisplayGoUntilItIsBack)
{
    std::vector<TNotice> told;
    // What the tests before this one told, with nobody listening, waits.
    setnoticereceiver(nullptr);
    setnoticereceiver([&](const TTelling& telling) { told.push_back(*telling.notice); });
    session->windowchanged(7);
    ASSERT_TRUE(opened());
    {
        std::lock_guard guard(shared.lock);
        shared.died = true;
        shared.answers = false;
    }
    session->show("the end", 0);
    ASSERT_TRUE(waituntil([&] { return !session->displayopen(); }));
    auto opens = [&] {
        std::lock_guard guard(shared.lock);
        return shared.opens;
    };
    ASSERT_TRUE(waituntil([&] { return opens() >= 3; }, 5000)) << "not looked for again";
    {
        std::lock_guard guard(shared.lock);
        shared.died = false;
        shared.answers = true;
    }
    EXPECT_TRUE(waituntil([&] { return lastwrite() == std::pair { QString("the end"), 0 }; }, 5000));
    setnoticereceiver(nullptr);
    EXPECT_EQ(told, (std::vector<TNotice> { TNotice::braillelost, TNotice::brailleback }));
}

TEST_F(BrailleSessionTest, SwitchedOffTheDisplayIsNeitherOpenedNorWritten)
{
    session->setenabled(false);
    session->windowchanged(7);
    session->show("text", 0);
    QCoreApplication::processEvents();
    {
        std::lock_guard guard(shared.lock);
        EXPECT_EQ(shared.opens, 0);
    }
    session->setenabled(true);
    ASSERT_TRUE(opened());
    EXPECT_TRUE(waituntil([&] { return lastwrite() == std::pair { QString("text"), 0 }; }));
}

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
