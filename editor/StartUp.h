#pragma once
// The editor program's start, up to its message loop.

#include <functional>
#include <memory>

class TScriptingEditor;

inline constexpr const char* ApplicationTitle = "Quorvel's FTP Vantrel";
// The application object's property that holds the title: the caption of its message boxes. It
// is not Qt's display name, which Qt would append to every window title.
inline constexpr const char* ApplicationTitleProperty = "applicationTitle";

// In this order: the effect library's application object, the splash on screen (painted at
// once), the application's title, then the main window from `makeMainWindow`. The main window
// takes the splash and lets it go at its first show; when making it fails the splash goes too.
std::unique_ptr<TScriptingEditor> StartEditor(const std::function<std::unique_ptr<TScriptingEditor>()>& makeMainWindow);
