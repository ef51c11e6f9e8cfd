#include "update/ImageFile.h"

#include "update/Crc32.h"

#include <cstring>

namespace divuzo {

namespace {

// Text of a fixed-width field: at most `width` bytes, cut at the first NUL.
std::string FieldText(const std::uint8_t* p, std::size_t width) {
  const auto* c = reinterpret_cast<const char*>(p);
  return std::string(c, strnlen(c, width));
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

struct SpellingRule {
  const char* spellings[4];
  const char* name;
};

// Tried in this order; a later rule sees the result of an earlier one.
constexpr SpellingRule kSpellingRules[] = {
    {{"T410", "T-410", "TR410", nullptr}, "T-410"},
    {{"T2000C", "T2200", "T-2000C", "T-2200"}, "T-2000C"},
    {{"TR450", "TR-450", "RunMate450", nullptr}, "KRB-1"},
    {{"KTRTONIC", "ZID-TONIC", "ZID-TONIC1", nullptr}, "ZID-Tonic1"},
};

void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutField(std::vector<std::uint8_t>& out, const std::string& text, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i)
    out.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
}

} // namespace

ImageHeader ReadImageHeader(const std::uint8_t* bytes) {
  ImageHeader h;
  h.product = FieldText(bytes, kImageTokenSize);
  h.version = FieldText(bytes + kImageTokenSize, kImageFieldSize);
  for (std::size_t i = 0; i < kImageCompatCount; ++i)
    h.compat[i] = FieldText(bytes + kImageTokenSize + kImageFieldSize * (i + 1), kImageFieldSize);
  return h;
}

std::string NormaliseProductToken(std::string_view token) {
  std::string result(token);
  for (const auto& rule : kSpellingRules) {
    for (const char* spelling : rule.spellings) {
      if (spelling && result.starts_with(spelling)) {
        result = rule.name;
        break;
      }
    }
  }
  return result;
}

int ImageVersionNumber(std::string_view version) {
  int major = (version.size() > 1 && IsDigit(version[1])) ? version[1] - '0' : 0;
  int minor = 0;
  for (std::size_t i = 3; i < version.size() && i < 5 && IsDigit(version[i]); ++i)
    minor = minor * 10 + (version[i] - '0');
  return major * 100 + minor;
}

int DeviceVersionNumber(std::string_view digits) {
  int value = 0;
  for (char c : digits) {
    if (!IsDigit(c)) break;
    if (value > 99999999) break;  // longer than any version the device reports
    value = value * 10 + (c - '0');
  }
  return value;
}

bool HasImageTag(std::string_view path) {
  const std::size_t n = path.size();
  return (n >= 5 && path[n - 5] == 'M') || (n >= 6 && path[n - 6] == 'L') ||
         (n >= 7 && path[n - 7] == 'P');
}

bool PackImage(const ImagePackRequest& request, std::vector<std::uint8_t>& out, std::string& error) {
  out.clear();
  if (request.form == ImageForm::Tagged) {
    if (request.product.empty() || request.product.size() > kImageTokenSize) {
      error = "product token must be 1 to 10 characters";
      return false;
    }
    if (request.version.size() > kImageFieldSize) {
      error = "version must be at most 5 characters (e.g. V1.23)";
      return false;
    }
    if (request.compat.size() > kImageCompatCount) {
      error = "at most 10 compatible versions";
      return false;
    }
    for (const auto& c : request.compat) {
      if (c.size() > kImageFieldSize) {
        error = "compatible version '" + c + "' is longer than 5 characters";
        return false;
      }
    }
    out.reserve(kImageHeaderSize + request.payload.size() + kImageCrcSize);
    PutField(out, request.product, kImageTokenSize);
    PutField(out, request.version, kImageFieldSize);
    for (std::size_t i = 0; i < kImageCompatCount; ++i)
      PutField(out, i < request.compat.size() ? request.compat[i] : std::string(), kImageFieldSize);
  }
  out.insert(out.end(), request.payload.begin(), request.payload.end());
  PutLe32(out, Crc32(request.payload.data(), request.payload.size()));
  return true;
}

} // namespace divuzo
