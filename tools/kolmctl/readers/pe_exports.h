// The export directory of a PE image as the Windows loader lays it out in memory,
// read without trusting it: every offset, count and ordinal is checked against the
// image's size, so a damaged or hostile DLL gives "not exported", never a fault.
// Plain bytes in, so the reader is tested and fuzzed on any platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kolmctl {

// SizeOfImage from the headers, which must lie within the first `headerBytes`; 0 if not.
std::size_t peImageSize(const unsigned char* image, std::size_t headerBytes);
// The name under which the image exports the code at `rva`; empty if none.
std::string peExportAt(const unsigned char* image, std::size_t size, std::uint32_t rva);

}  // namespace kolmctl
