// divuzo image pack: makes a firmware image file (tagged header or headerless) from a payload of
// at most 800 KiB. divuzo image payload: deterministic payload bytes for samples and tests.
#include "Command.h"

#include "platform/AtomicFile.h"
#include "platform/InputFile.h"
#include "platform/Utf8Path.h"
#include "update/ImageFile.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Why a payload is refused for its size.
std::string TooLargeText(const std::string& what) {
  return what + " is larger than " + std::to_string(divuzo::kImageMaxPayload) +
         " bytes (800 KiB), the largest payload a unit accepts";
}

struct PackOptions {
  std::string product;
  std::string version;
  std::vector<std::string> compat;
  bool headerless = false;
  std::string payload;
  std::string output;
};

int RunPack(const PackOptions& o) {
  if (!o.headerless && o.product.empty()) {
    std::fprintf(stderr, "divuzo image pack: --product is required (or --headerless)\n");
    return 2;
  }
  divuzo::ImagePackRequest request;
  request.form = o.headerless ? divuzo::ImageForm::Headerless : divuzo::ImageForm::Tagged;
  request.product = o.product;
  request.version = o.version;
  request.compat = o.compat;
  // Read no more than the largest payload a unit takes; a FIFO or a device is refused unread.
  divuzo::InputFile payload(divuzo::PathFromUtf8(o.payload));
  if (!payload.ReadAll(request.payload, divuzo::kImageMaxPayload)) {
    if (payload.status() == divuzo::InputFile::Status::TooLarge) {
      std::fprintf(stderr, "divuzo image pack: %s\n", TooLargeText(o.payload).c_str());
      return 2;
    }
    std::fprintf(stderr, "divuzo image pack: %s\n", payload.error().c_str());
    return 1;
  }
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (!divuzo::PackImage(request, bytes, error)) {
    std::fprintf(stderr, "divuzo image pack: %s\n", error.c_str());
    return 2;
  }
  if (!divuzo::WriteFileAtomically(
          divuzo::PathFromUtf8(o.output),
          std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &error)) {
    std::fprintf(stderr, "divuzo image pack: %s\n", error.c_str());
    return 1;
  }
  if (!divuzo::HasImageTag(o.output))
    std::fprintf(stderr, "divuzo image pack: warning: %s has no _PLM tag before its extension; "
                         "the update page will refuse the name\n",
                 o.output.c_str());
  std::printf("%s: %zu bytes, payload %zu bytes\n", o.output.c_str(), bytes.size(),
              request.payload.size());
  return 0;
}

// Deterministic pseudo-random bytes (xorshift32), for sample and test payloads.
int RunPayload(std::size_t size, std::uint32_t seed, const std::string& output) {
  std::string bytes(size, '\0');
  std::uint32_t x = seed ? seed : 1;
  for (auto& b : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<char>(x >> 24);
  }
  std::string error;
  if (!divuzo::WriteFileAtomically(divuzo::PathFromUtf8(output), bytes, &error)) {
    std::fprintf(stderr, "divuzo image payload: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

struct PayloadOptions {
  long long size = 0;
  std::uint32_t seed = 1;
  std::string output;
};

divuzo::cli::RegisterCommand reg([](CLI::App& app) {
  auto* image = app.add_subcommand("image", "Firmware image files");
  image->require_subcommand(1);
  auto options = std::make_shared<PackOptions>();
  auto* pack = image->add_subcommand("pack", "Make an image file from a payload");
  pack->add_option("--product", options->product, "Product token (at most 10 characters)");
  pack->add_option("--version", options->version, "Image version, e.g. V1.23");
  pack->add_option("--compat", options->compat, "Compatible version (up to 10)")->expected(1)
      ->take_all();
  pack->add_flag("--headerless", options->headerless, "Payload and CRC only, no header");
  pack->add_option("PAYLOAD", options->payload, "Payload file")->required();
  pack->add_option("OUT", options->output, "Image file to write")->required();
  pack->callback([options] { divuzo::cli::SetExitCode(RunPack(*options)); });

  auto payload = std::make_shared<PayloadOptions>();
  auto* gen = image->add_subcommand("payload", "Write deterministic pseudo-random payload bytes");
  gen->add_option("--size", payload->size, "Number of bytes (0 to 819200)")->required();
  gen->add_option("--seed", payload->seed, "Seed (same seed, same bytes)");
  gen->add_option("OUT", payload->output, "File to write")->required();
  gen->callback([payload] {
    const std::string given = "--size " + std::to_string(payload->size);
    if (payload->size < 0 ||
        static_cast<unsigned long long>(payload->size) > divuzo::kImageMaxPayload) {
      std::fprintf(stderr, "divuzo image payload: %s\n",
                   payload->size < 0 ? (given + " is negative").c_str()
                                     : TooLargeText(given).c_str());
      divuzo::cli::SetExitCode(2);
      return;
    }
    divuzo::cli::SetExitCode(
        RunPayload(static_cast<std::size_t>(payload->size), payload->seed, payload->output));
  });
});

} // namespace
