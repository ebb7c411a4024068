// The header image of a PDF document: found, and checked to be a PNG the
// document can hold.
#pragma once

#include <string>

#include "core/status.h"

namespace output::internal {

// The path of the image of the next document: slot 3 of group 9, else
// "pdf_header.png" in the definition folders. 0; FILENOTFOUND with
// "pdf_header.png" when there is none; FORMATFAILURE with the path and why
// for a file that is not a PNG, or one of 16 bits a sample or interlaced
// (which the PDF library refuses or draws wrongly).
[[nodiscard]] core::Status pdf_header_image(std::string* path);

}  // namespace output::internal
