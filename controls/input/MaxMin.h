#pragma once
// Integer maximum and minimum, as the controls call them.

constexpr int Max(int a, int b) { return a > b ? a : b; }
constexpr int Min(int a, int b) { return a < b ? a : b; }
