#include "net/ftp/listing/ServerTypes.h"

namespace ftplisting {

namespace {

constexpr ServerTypeEntry kScriptTypes[] = {
    {"UNIX", kStyleUnix},  {"NT/Dos", kStyleDos}, {"VMSMultinet", kStyleVmsMultinet},
    {"VMSUCX", kStyleVmsUcx}, {"MVS", kStyleMvs}, {"Mac", kStyleMac},
    {"QVT", kStyleQvt},    {"NCSA", kStyleNcsa},  {"VM", kStyleVm},
    {"VMVPS", kStyleVmVps}, {"HP3000", kStyleHp3000},
};

}  // namespace

StyleKind KindOfStyle(int style)
{
    switch (style) {
    case 0: case 2: case 3: case 4: case 5: return StyleKind::Permission;
    case kStyleDetect: return StyleKind::Detect;
    case kStyleVmsMultinet: case kStyleVmsUcx: return StyleKind::Versioned;
    case kStyleMvs: return StyleKind::DataSet;
    case kStyleVm: return StyleKind::FixedColumn;
    case kStyleVmVps: return StyleKind::TrackBased;
    case kStyleDos: return StyleKind::DateFirst;
    case kStyleHp3000: return StyleKind::RecordBased;
    default: return StyleKind::Nothing;
    }
}

std::span<const ServerTypeEntry> ScriptServerTypes() { return kScriptTypes; }

int ServerTypeFromName(std::string_view name)
{
    for (const auto& t : kScriptTypes)
        if (t.name == name) return t.code;
    return kStyleDetect;
}

std::string_view ServerTypeName(int code)
{
    for (const auto& t : kScriptTypes)
        if (t.code == code) return t.name;
    return {};
}

const std::array<std::string_view, 12>& ServerTypeNames()
{
    static_assert(std::size(kScriptTypes) + 1 == 12);
    static const auto names = [] {
        std::array<std::string_view, 12> list{"Auto"};
        for (std::size_t i = 0; i < std::size(kScriptTypes); ++i) list[i + 1] = kScriptTypes[i].name;
        return list;
    }();
    return names;
}

}  // namespace ftplisting
