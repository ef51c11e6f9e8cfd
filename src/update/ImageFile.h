#pragma once
// Firmware image files: layout, product-token spelling rules, version numbers, and the writer
// used by `divuzo image pack`.
//
// Tagged form (little-endian):  0  product token, 10 bytes, NUL padded
//                              10  image version "V1.23", 5 bytes, not terminated
//                              15  compatible versions 1..10, 5 bytes each
//                              65  payload
//                        size - 4  CRC-32 of the payload
// Headerless form: payload, then the CRC-32 of the payload. Product and version then come from
// the file name (see ValidateImage).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace divuzo {

inline constexpr std::size_t kImageHeaderSize = 65;
inline constexpr std::size_t kImageTokenSize = 10;
inline constexpr std::size_t kImageFieldSize = 5;
inline constexpr std::size_t kImageCompatCount = 10;
inline constexpr std::size_t kImageCrcSize = 4;
// Largest payload the update takes (one 800 KiB buffer).
inline constexpr std::size_t kImageMaxPayload = 819200;
// Longest image path accepted.
inline constexpr std::size_t kImageMaxPath = 255;
// Name of the payload file written beside the chosen image for the flashing step.
inline constexpr const char* kTempImageName = "Raded_FW_Temp.bin";

enum class ImageForm { Tagged = 0, Headerless = 1 };

// The header fields as text (each at most 10 resp. 5 characters, cut at the first NUL).
struct ImageHeader {
  std::string product;
  std::string version;
  std::array<std::string, kImageCompatCount> compat;
};

// Reads the 65-byte header from `bytes` (which must hold at least kImageHeaderSize bytes).
ImageHeader ReadImageHeader(const std::uint8_t* bytes);

// Product token spelling rules: T410/T-410/TR410 -> "T-410"; T2000C/T2200/T-2000C/T-2200 ->
// "T-2000C"; TR450/TR-450/RunMate450 -> "KRB-1"; KTRTONIC/ZID-TONIC/ZID-TONIC1 -> "ZID-Tonic1";
// any other token unchanged. A token that begins with a spelling matches it.
std::string NormaliseProductToken(std::string_view token);

// "V1.23" -> 123: second character as a digit times 100 plus the fourth and fifth characters
// as a decimal number. Characters that are not digits count as nothing.
int ImageVersionNumber(std::string_view version);

// Device version digits read as a decimal number up to the first non-digit ("123" -> 123,
// "V0.00" -> 0).
int DeviceVersionNumber(std::string_view digits);

// True when the name carries the maker's tag: with n the path length, the character at n - 5
// is 'M', or at n - 6 is 'L', or at n - 7 is 'P' (a name ending "_PLM.bin" has all three).
bool HasImageTag(std::string_view path);

// Builds an image file's bytes. Tagged: `product` (at most 10 characters), `version` and up to
// ten compatible versions (each at most 5 characters) are written into the header, NUL padded.
// Headerless: payload and CRC only; the header arguments are ignored.
// Returns false (and leaves `out` empty) when a field is too long. The payload's size is not
// checked here (tests make oversized images with it); `divuzo image pack` holds it to
// kImageMaxPayload.
struct ImagePackRequest {
  ImageForm form = ImageForm::Tagged;
  std::string product;
  std::string version;
  std::vector<std::string> compat;
  std::vector<std::uint8_t> payload;
};
bool PackImage(const ImagePackRequest& request, std::vector<std::uint8_t>& out, std::string& error);

} // namespace divuzo
