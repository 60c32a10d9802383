// Copying the fixed-width texts of the installation tables into the tree's
// fixed-width fields.
#pragma once

#include <cstddef>
#include <cstring>

namespace vrn::products_detail {

// Copies the text of `from` (at most its width) into `to`, cut to fit and
// always terminated.
template <size_t N, size_t M>
void CopyText(char (&to)[N], const char (&from)[M]) {
    const size_t length = strnlen(from, M);
    const size_t kept = length < N ? length : N - 1;
    std::memcpy(to, from, kept);
    std::memset(to + kept, 0, N - kept);
}

// Appends `suffix` to the text in `to` when it fits.
template <size_t N>
void AppendText(char (&to)[N], const char* suffix) {
    const size_t length = strnlen(to, N);
    const size_t add = std::strlen(suffix);
    if (length + add < N) std::memcpy(to + length, suffix, add + 1);
}

}  // namespace vrn::products_detail
