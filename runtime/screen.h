#pragma once
// The emulated 24 x 80 text screen and its cursor. Rows hold Windows-1250
// bytes; a row that has been written is padded to 80 characters and never
// holds a line break. The main window shows this model in its memo; it does
// not speak (see print.h).

#include <array>
#include <cstdint>
#include <string>

class tscrcursor {
public:
    void setcolumn(std::uint8_t value) { m_column = value; }
    void setrow(std::uint8_t value) { m_row = value; }
    std::uint8_t column() const { return m_column; }
    std::uint8_t row() const { return m_row; }

private:
    std::uint8_t m_column = 0; // 0..80; 80 is just past the last column
    std::uint8_t m_row = 0; // 0..23
};

class TScreen {
public:
    static constexpr int rows = 24;
    static constexpr int columns = 80;

    const std::string& line(int row) const { return m_lines[static_cast<size_t>(row)]; }
    // Every line ended by a carriage return and a line feed, as the virtual
    // screen copies it.
    std::string text() const;

    void clear();
    // Pads the row to 80 columns and overwrites it from the column on.
    void overwrite(int row, int column, const std::string& piece);
    // Drops the first row and appends an empty one.
    void scrollup();

private:
    std::array<std::string, rows> m_lines;
};

extern TScreen screen;
extern tscrcursor scrcursor;

// CLS: clears the screen and homes the cursor, only while the voice is allowed.
void cls();
// Places the text at the cursor, wrapping at column 80 and scrolling at the
// last row, then applies separatormode.
void puttext(const std::string& text);
