#pragma once
// Expected transcripts kept as text files beside the tests, one entry a
// line, runs of the same entry written once as "<entry> ×<count>". A
// mismatch fails with a diff of the two. With VORKANA_WRITE_TRANSCRIPTS=1
// in the environment the files are written from what the run produced
// instead; read what changed before keeping them.

#include "tests/support/scriptedhost.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

// The entries from the first one equal to `first` through the first one
// after it equal to `last`; every such stretch when `all` is set.
std::vector<std::string> passage(
    const std::vector<std::string>& entries, const std::string& first, const std::string& last, bool all = false);

// Compares the entries, folded, with the file's lines.
::testing::AssertionResult matchestranscript(const std::vector<std::string>& entries, const std::string& path);
