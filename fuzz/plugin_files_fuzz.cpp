// kolmctl's readers of a plug-in file's bytes, fed anything: the header that tells
// an ELF shared object from a PE DLL, the PE export directory that names the export
// behind a directory entry, and the version resource with its tree of offsets. None
// may read outside the bytes it is given; AddressSanitizer stops the run at the first
// byte that would be.
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "file_kind.h"
#include "pe_exports.h"
#include "version_resource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly `size` bytes, so that a read past the end is caught.
    const std::vector<unsigned char> bytes(data, data + size);
    const std::size_t head = size < kolmctl::kHeadBytes ? size : kolmctl::kHeadBytes;
    (void)kolmctl::fileKindOf(bytes.data(), head);
    (void)kolmctl::peImageSize(bytes.data(), size);
    // The address looked up is the image's last four bytes, as likely as any to be an export.
    std::uint32_t rva = 0;
    if (size >= sizeof rva) std::memcpy(&rva, bytes.data() + size - sizeof rva, sizeof rva);
    (void)kolmctl::peExportAt(bytes.data(), size, rva);
    (void)kolmctl::versionFromImage(std::string_view(reinterpret_cast<const char*>(bytes.data()), size));
    return 0;
}
