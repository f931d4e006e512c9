#pragma once
// The editor program's start, up to its message loop.

#include "controls/effects/EffApplication.h"

#include <functional>
#include <memory>

class TScriptingEditor;

inline constexpr const char* ApplicationTitle = "Quorvel's FTP Vantrel";
// The application object's property that holds the title: the caption of its message boxes.
inline constexpr const char* ApplicationTitleProperty = kApplicationTitleProperty;

// In this order: the effect library's application object, the splash on screen (painted at
// once), the application's title, then the main window from `makeMainWindow`. The main window
// takes the splash and lets it go at its first show; when making it fails the splash goes too.
std::unique_ptr<TScriptingEditor> StartEditor(const std::function<std::unique_ptr<TScriptingEditor>()>& makeMainWindow);
