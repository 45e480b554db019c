#include "tests/support/transcriptfile.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace {

std::vector<std::string> readlines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    return lines;
}

// A line diff over the longest common subsequence, with two lines of
// context around each change and at most `limit` lines in all.
std::string linediff(const std::vector<std::string>& expected, const std::vector<std::string>& actual, size_t limit = 60)
{
    size_t n = expected.size();
    size_t m = actual.size();
    std::vector<std::vector<unsigned>> common(n + 1, std::vector<unsigned>(m + 1, 0));
    for (size_t i = n; i-- > 0;)
        for (size_t j = m; j-- > 0;)
            common[i][j] = expected[i] == actual[j] ? common[i + 1][j + 1] + 1 : std::max(common[i + 1][j], common[i][j + 1]);

    struct TLine {
        char mark;
        std::string text;
        size_t line; // in the expected file
    };
    std::vector<TLine> script;
    size_t i = 0;
    size_t j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && expected[i] == actual[j]) {
            script.push_back({ ' ', expected[i], i + 1 });
            ++i, ++j;
        } else if (i < n && (j == m || common[i + 1][j] >= common[i][j + 1])) {
            script.push_back({ '-', expected[i], i + 1 });
            ++i;
        } else {
            script.push_back({ '+', actual[j++], i + 1 });
        }
    }

    std::string out;
    size_t shown = 0;
    size_t lastshown = 0;
    bool any = false;
    for (size_t k = 0; k < script.size() && shown < limit; ++k) {
        bool near = false;
        for (size_t d = (k >= 2 ? k - 2 : 0); d <= std::min(k + 2, script.size() - 1); ++d)
            near = near || script[d].mark != ' ';
        if (!near)
            continue;
        if (!any || lastshown + 1 != k)
            out += "@@ expected line " + std::to_string(script[k].line) + "\n";
        out += script[k].mark + std::string(" ") + script[k].text + "\n";
        any = true;
        lastshown = k;
        ++shown;
    }
    if (shown >= limit)
        out += "... (more differences)\n";
    return out;
}

}

std::vector<std::string> passage(
    const std::vector<std::string>& entries, const std::string& first, const std::string& last, bool all)
{
    std::vector<std::string> found;
    auto from = entries.begin();
    for (;;) {
        from = std::find(from, entries.end(), first);
        if (from == entries.end())
            return found;
        auto to = std::find(from + 1, entries.end(), last);
        if (to != entries.end())
            ++to;
        found.insert(found.end(), from, to);
        if (!all || to == entries.end())
            return found;
        from = to;
    }
}

::testing::AssertionResult matchestranscript(const std::vector<std::string>& entries, const std::string& path)
{
    std::vector<std::string> actual = foldruns(entries);
    if (const char* write = std::getenv("VORKANA_WRITE_TRANSCRIPTS"); write && std::string(write) == "1") {
        std::ofstream file(path);
        for (const auto& line : actual)
            file << line << '\n';
        return ::testing::AssertionSuccess() << "written";
    }
    std::vector<std::string> expected = readlines(path);
    if (expected.empty())
        return ::testing::AssertionFailure() << "no expected transcript in " << path;
    if (expected == actual)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the transcript differs from " << path << " (- expected, + heard):\n"
                                         << linediff(expected, actual);
}
