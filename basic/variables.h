#pragma once
// A program's variables: numbers, strings, and one-dimensional arrays of
// either, each kind with names of its own (A, A$, A(), A$()). Names become
// slots when the program is read, so a run indexes, never looks up.

#include <map>
#include <string>
#include <vector>

enum class TVariableKind { number, text, numberarray, textarray };

class TVariableNames {
public:
    // The name's slot in its kind, given on first sight.
    std::size_t slot(TVariableKind kind, const std::string& name);
    std::size_t count(TVariableKind kind) const;

private:
    std::map<std::string, std::size_t> m_slots[4];
};

// What one run may hold in all, so that no program can take the machine's
// memory: array elements, and characters in string variables and elements.
inline constexpr std::size_t mostelements = std::size_t(1) << 20;
inline constexpr std::size_t mosttext = std::size_t(16) << 20;

// Every value 0 or empty at the start of a run; an array has no elements
// until DIM or its first use (which gives it indices 0..10).
struct TVariables {
    std::vector<double> numbers;
    std::vector<std::string> texts;
    std::vector<std::vector<double>> numberarrays;
    std::vector<std::vector<std::string>> textarrays;
    std::size_t elements = 0; // in all arrays
    std::size_t textcharacters = 0; // in all strings

    explicit TVariables(const TVariableNames& names);
};
