// Where SETUP_SCREENSHOTS puts the pictures of pages and boxes: one folder,
// files "NNNN-NAME.png" numbered from the transcript's counter.
#pragma once

#include <string>

namespace forms {

// The folder as the layer takes paths (absolute, Windows-1252), made with
// its parents when missing; "" when no pictures are asked for.
std::string pictureFolderFromEnvironment();
// The file for the next picture of the page or box called name.
std::string nextPicturePath(const std::string& folder, const std::string& name);

}  // namespace forms
