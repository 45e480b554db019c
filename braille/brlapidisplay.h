#pragma once
// The Braille display through BRLTTY's BrlAPI: the connection (host and key
// file from the environment, as every BrlAPI client takes them), the
// display taken for one of our windows (the window's id under the path of
// the desktop's terminal, where BRLTTY's focus tracking looks for it) and
// let go when we have nothing to show, so a screen reader holding the
// desktop's terminal shows its own, text written as Unicode so BRLTTY's own
// text table makes the dots, and the keys: dots, routing and panning as
// BRLTTY commands, whatever the display's model.

#include "braille/brailledisplay.h"

#include <memory>
#include <vector>

struct brlapi_handle_t;

class TBrlapiDisplay : public TBrailleDisplay {
public:
    // terminal: the path before our windows that BrlAPI does not find in
    // the environment itself (platform/desktopterminal.h).
    explicit TBrlapiDisplay(std::vector<int> terminal = {});
    ~TBrlapiDisplay() override;

    bool open(unsigned long window) override;
    bool follow(unsigned long window) override;
    bool leave() override;
    void close() override;
    int descriptor() const override { return m_descriptor; }
    int cellcount() const override { return m_cells; }
    bool write(const QString& text, int cursor) override;
    TKeyRead readkey(TBrailleKey& key) override;

private:
    bool takewindow(unsigned long window);

    std::vector<int> m_terminal;
    std::unique_ptr<char[]> m_handlestorage;
    brlapi_handle_t* m_handle = nullptr;
    int m_descriptor = -1;
    int m_cells = 0;
    bool m_taken = false;
};
