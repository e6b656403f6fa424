// Builds a fixed family of controls (address1..address8, pubbox0..pubboxF) in
// place: controls register their own address with the form, so they are
// neither copied nor moved; guaranteed copy elision builds each element where
// it stays.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <utility>

namespace ccp::form {

template <class T, std::size_t N, class Make, std::size_t... I>
std::array<T, N> makeFamily(Make&& make, std::index_sequence<I...>) {
    return {{make(I)...}};
}

// make(i) returns the member with zero-based index i as a prvalue.
template <class T, std::size_t N, class Make> std::array<T, N> makeFamily(Make&& make) {
    return makeFamily<T, N>(make, std::make_index_sequence<N>{});
}

// Family member names: numbers from 1 ("address1") or hex digits from 0
// ("pubboxA"), with an optional suffix ("addr1en", "chbUC1A").
inline std::string numbered(const std::string& prefix, std::size_t i,
                            const std::string& suffix = {}) {
    return prefix + std::to_string(i + 1) + suffix;
}

inline std::string hexNumbered(const std::string& prefix, std::size_t i,
                               const std::string& suffix = {}) {
    return prefix + "0123456789ABCDEF"[i & 15] + suffix;
}

} // namespace ccp::form
