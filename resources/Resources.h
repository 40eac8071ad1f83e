// The pictures of the page frame, compiled into the programs.
#pragma once

#include <string>

namespace resources {

// The banner across the top of every page: a JPEG of 686 x 54 pixels.
const std::string& BannerJpeg();
// The picture in every page's side panel: a JPEG of 152 x 420 pixels.
const std::string& SideJpeg();

}  // namespace resources
