#pragma once
// Sizes computed without wrapping: nothing when the true result does not fit.

#include <optional>

template <typename T>
std::optional<T> CheckedMul(T a, T b) {
    T product{};
    return __builtin_mul_overflow(a, b, &product) ? std::nullopt : std::optional<T>(product);
}

template <typename T>
std::optional<T> CheckedAdd(T a, T b) {
    T sum{};
    return __builtin_add_overflow(a, b, &sum) ? std::nullopt : std::optional<T>(sum);
}
