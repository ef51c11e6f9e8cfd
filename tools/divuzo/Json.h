#pragma once
// JSON output for scripts (divuzo ports --json, divuzo identify --json): one object or array on
// one line. Texts are written as UTF-8; bytes that are not UTF-8 (a device name from the system
// can hold anything) become U+FFFD, so the output is always valid JSON.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace divuzo::cli {

// `text` as a JSON string, quotes included.
std::string JsonString(std::string_view text);

// Builds one JSON object, keys in the order they are added.
class JsonObject {
 public:
  JsonObject& Add(std::string_view key, std::string_view text);
  JsonObject& Add(std::string_view key, const char* text) {
    return Add(key, std::string_view(text));
  }
  JsonObject& Add(std::string_view key, std::int64_t number);
  JsonObject& Add(std::string_view key, int number) {
    return Add(key, static_cast<std::int64_t>(number));
  }
  JsonObject& Add(std::string_view key, bool value);
  JsonObject& AddNull(std::string_view key) { return Raw(key, "null"); }
  // null when there is no `text`.
  JsonObject& AddOrNull(std::string_view key, std::optional<std::string_view> text) {
    return text ? Add(key, *text) : AddNull(key);
  }

  std::string Text() const { return body_ + "}"; }

 private:
  JsonObject& Raw(std::string_view key, std::string_view json);
  std::string body_ = "{";
};

}  // namespace divuzo::cli
