#pragma once
// The process-wide background picture the editor's fill copies, and its chooser.

#include <QImage>
#include <functional>
#include <string>

// The dialog seam: asks for a picture file; false when cancelled.
using PictureFileChooser = std::function<bool(const std::string& title, std::string& path)>;
void SetPictureFileChooser(PictureFileChooser chooser);  // empty restores the Qt file dialog

QImage& BackgroundImage();

// Shows "Select a background image..."; on a confirmed file loads it into the background image
// and returns true. Cancel returns false and keeps the picture. A file that is no picture raises.
bool SelectBackgroundImage();
