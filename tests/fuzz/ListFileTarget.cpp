// The list-file reader on any bytes: a file of any kind either loads or is refused with an error;
// what loads is written and read back to the same items.

#include "FuzzCheck.h"
#include "FuzzTargets.h"
#include "controls/effects/EffContainers.h"

namespace {

template <class List>
void checkKind(std::string_view data)
{
    TMemoryStream in(std::vector<std::uint8_t>(data.begin(), data.end()));
    List list;
    try {
        LoadListStream(in, list);
    } catch (const Exception&) {
        FUZZ_CHECK(list.Count() == 0, "items left after a refused file");
        return;
    }
    TMemoryStream again;
    SaveListStream(again, list);
    again.SetPosition(0);
    List back;
    LoadListStream(again, back);
    FUZZ_CHECK(back.Count() == list.Count(), "count " + std::to_string(back.Count()));
    for (int i = 0; i < list.Count(); ++i) {
        FUZZ_CHECK(back.Item(i)->Description() == list.Item(i)->Description(), "description");
        FUZZ_CHECK(back.Item(i)->Ident() == list.Item(i)->Ident(), "ident");
        FUZZ_CHECK(back.Item(i)->IsEmpty() == list.Item(i)->IsEmpty(), "emptiness");
    }
}

}  // namespace

void fuzz::ListFile(std::string_view data)
{
    checkKind<TEffImageList>(data);
    checkKind<TEffBitmapList>(data);
    checkKind<TEffWaveList>(data);
    checkKind<TEffStringList>(data);
    TMemoryStream header(std::vector<std::uint8_t>(data.begin(), data.end()));
    std::vector<std::int32_t> offsets;
    try {
        ReadListFileHeader(header, &offsets);
    } catch (const Exception&) {
    }
}
