#pragma once
// The patch slots of the launcher and stand-alone templates, shared by the templates and the
// editor that patches copies of them. Each slot begins with its marker, followed by filler bytes
// 0x01 to its capacity and no NUL: the editor writes text + NUL over it, so a slot with a NUL
// inside its capacity is filled and one without is still as built. The block starts with a pad of
// zeros as long as the editor's search start, so every marker lies past that offset.
//
// Macros, not constants: the templates spell the block in assembler, and the markers must occur in
// the built programs only inside their slots.

#define TEMPLATE_SCRIPT_MARKER "ZXPath"
#define TEMPLATE_RUNNER_MARKER "ZRPath"
#define TEMPLATE_LINE_MARKER "ZST"

#define TEMPLATE_LAUNCHER_START 100000
#define TEMPLATE_PROGRAM_START 300000
// A path with its two quotes and the NUL.
#define TEMPLATE_PATH_CAPACITY 4096
// A script line and its NUL; the stand-alone program holds this many lines.
#define TEMPLATE_LINE_CAPACITY 1024
#define TEMPLATE_LINE_SLOTS 1000

#ifdef __cplusplus
#include <cstddef>
#include <cstdint>

namespace templateslots {
inline constexpr std::int64_t LauncherStart = TEMPLATE_LAUNCHER_START;
inline constexpr std::int64_t ProgramStart = TEMPLATE_PROGRAM_START;
inline constexpr std::size_t PathCapacity = TEMPLATE_PATH_CAPACITY;
inline constexpr std::size_t LineCapacity = TEMPLATE_LINE_CAPACITY;
inline constexpr std::size_t LineSlots = TEMPLATE_LINE_SLOTS;
inline constexpr unsigned char Filler = 0x01;
}  // namespace templateslots
#endif
