#pragma once
// Qt describes a key by its Qt key and native scan code; the key handlers
// think in Windows virtual-key codes and in the set of keys held down. This
// module maps one onto the other and keeps that set for the whole
// application. It does not decide what a key does.

#include <cstdint>
#include <map>

namespace virtualkey {
inline constexpr int back = 8;
inline constexpr int tab = 9;
inline constexpr int enter = 13;
inline constexpr int shift = 16;
inline constexpr int control = 17;
inline constexpr int alt = 18;
inline constexpr int capslock = 20;
inline constexpr int escape = 27;
inline constexpr int space = 32;
inline constexpr int end = 35;
inline constexpr int home = 36;
inline constexpr int left = 37;
inline constexpr int up = 38;
inline constexpr int right = 39;
inline constexpr int down = 40;
inline constexpr int del = 46;
inline constexpr int f1 = 112;
inline constexpr int f2 = 113;
inline constexpr int f4 = 115;
inline constexpr int f6 = 117;
inline constexpr int f7 = 118;
inline constexpr int f8 = 119;
// Keys that have no code of their own; like every code from 32 up, their
// release hands the typed character to the program.
inline constexpr int unnamed = 255;
}

// The code of a key. The scan code (X keycode, 0 when unknown) places the
// digit row and the punctuation keys by position, whatever the layout;
// letters follow the layout's letter.
int virtualkeycode(int qtkey, std::uint32_t scancode, bool keypad);

// The keys held down in the application. A key's code is decided when it
// goes down and kept until it comes up, so the release reports the same
// code even when Shift changed what the key means in between.
class TKeyState {
public:
    // The identity of a physical key: its scan code, or Qt's key when the
    // event carries none.
    static std::uint64_t keyidentity(int qtkey, std::uint32_t scancode);

    // Marks the key held and returns its code (the one it went down with,
    // for an auto-repeated press).
    int press(std::uint64_t identity, int code);
    // Marks the key up and returns the code it went down with, or -1 when
    // it was not known to be down.
    int release(std::uint64_t identity);

    bool held(int code) const;
    // Whether the latest press was of a key already held: an auto-repeat.
    bool repeating() const { return m_repeating; }
    void clear()
    {
        m_held.clear();
        m_repeating = false;
    }

private:
    std::map<std::uint64_t, int> m_held;
    bool m_repeating = false;
};

extern TKeyState keystate;
