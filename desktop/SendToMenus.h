#pragma once
// The items file managers offer for any selected files, one per file manager, each starting a
// Send-To launcher with the selected paths: Thunar's "Send To" menu, a Nautilus script, a Nemo
// action and a KDE service menu. None declares a MIME type a desktop could make a default of.

#include <string>
#include <vector>

namespace sendto {

// The file a file manager's item of this name is written to, one per file manager.
struct MenuItem {
    const char* fileManager;  // "Thunar", "Nautilus", "Nemo", "KDE"
    std::string path;
};
// Where the items named `name` go (under $XDG_DATA_HOME).
std::vector<MenuItem> MenuItemsFor(const std::string& name);

// Writes every item of `name` that starts `launcher`; the icon is a theme icon name. Nothing is
// replaced: false (with `problem` set, the items written so far removed again) when one of the
// files exists already or cannot be written.
[[nodiscard]] bool WriteMenuItems(const std::string& name, const std::string& launcher, const std::string& comment,
                                  const std::string& icon, std::string& problem);

// Deletes the items of `name` that start `launcher`; a file of that name that starts anything
// else is someone else's and stays. False (with `problem`) when one could not be deleted.
[[nodiscard]] bool RemoveMenuItems(const std::string& name, const std::string& launcher, std::string& problem);

// The text of a file that starts `launcher` as the item for `fileManager`.
std::string MenuItemText(const char* fileManager, const std::string& name, const std::string& launcher,
                         const std::string& comment, const std::string& icon);

}  // namespace sendto
