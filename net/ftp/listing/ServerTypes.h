#pragma once
// Listing style codes (a client's ServerStyle) and the server-type names scripts and the editor
// use for them.

#include <array>
#include <span>
#include <string_view>

namespace ftplisting {

// Permission-string listings: 0, 2, 3, 4, 5 parse alike.
inline constexpr int kStyleUnknown = 0;
inline constexpr int kStyleDetect = 1;  // detect on the next listing; parses nothing meanwhile
inline constexpr int kStyleUnix = 2;
inline constexpr int kStyleVmsMultinet = 6;
inline constexpr int kStyleVmsUcx = 7;
inline constexpr int kStyleMvs = 8;
inline constexpr int kStyleMac = 9;  // 9-13 parse nothing
inline constexpr int kStyleQvt = 11;
inline constexpr int kStyleNcsa = 12;
inline constexpr int kStyleVm = 14;
inline constexpr int kStyleVmVps = 15;
inline constexpr int kStyleDos = 16;
inline constexpr int kStyleHp3000 = 17;

enum class StyleKind { Nothing, Detect, Permission, Versioned, DataSet, FixedColumn, TrackBased, DateFirst, RecordBased };
StyleKind KindOfStyle(int style);

struct ServerTypeEntry {
    std::string_view name;
    int code;
};

// The names "SERVERTYPE=" accepts, with their codes.
std::span<const ServerTypeEntry> ScriptServerTypes();
// Exact match with case ("unix" is no name); any other text gives kStyleDetect.
int ServerTypeFromName(std::string_view name);
// The script name of a code; empty when none has one.
std::string_view ServerTypeName(int code);

// The editor's choice list, index 0 "Auto" ... 11 "HP3000" (an index, not a style code).
const std::array<std::string_view, 12>& ServerTypeNames();

}  // namespace ftplisting
