// divuzo check-image: the update page's image check without a window.
#include "Command.h"

#include "StringTable.h"
#include "update/ImageValidation.h"

#include <cstdio>
#include <string>

namespace {

struct CheckOptions {
  std::string file;
  std::string model;
  std::string digits;
  bool force = false;
};

int RunCheckImage(const CheckOptions& o) {
  using namespace divuzo;
  const bool againstDevice = !o.model.empty();
  ImageCheckRequest request{o.file, o.model, o.digits, o.force};
  ImageCheckResult r = SelectImageFile(request);
  // A check from the command line leaves no payload file behind.
  if (r.extracted) DeleteTempImage(r.tempImagePath);

  std::printf("file: %s\n", o.file.c_str());
  if (r.messageTextId != 0) {
    std::printf("refused: %d %s\n", r.messageTextId, LoadText(r.messageTextId).c_str());
    if (!r.detail.empty()) std::printf("reason: %s\n", r.detail.c_str());
    return 1;
  }
  std::printf("form: %s\n", r.headerless ? "headerless" : "tagged");
  std::printf("product: %s\n", r.product.c_str());
  std::printf("version: %s\n", r.version.c_str());
  std::printf("compatible:");
  for (std::size_t i = kFieldCompat1; i < r.fieldCount; ++i)
    if (!r.fields[i].empty()) std::printf(" %s", r.fields[i].c_str());
  std::printf("\n");
  if (!againstDevice) {
    std::printf("crc: ok\n");
    return 0;
  }
  std::printf("device: %s %s\n", o.model.c_str(), o.digits.c_str());
  std::printf("verdict: %d %s\n", r.verdictTextId, LoadText(r.verdictTextId).c_str());
  return r.execute == ExecuteChange::Enable ? 0 : 1;
}

divuzo::cli::RegisterCommand reg([](CLI::App& app) {
  auto options = std::make_shared<CheckOptions>();
  auto* cmd = app.add_subcommand("check-image", "Check a firmware image (and compare it with a device)");
  cmd->add_option("FILE", options->file, "Image file (name ending in _PLM.bin)")->required();
  auto* model = cmd->add_option("--model", options->model, "Device model name, e.g. ZID310");
  cmd->add_option("--version", options->digits, "Device firmware digits, e.g. 123")->needs(model);
  cmd->add_flag("--force", options->force, "Compare as after ForceUpdate (model KRB-1, V0.00)");
  cmd->callback([options] {
    if (options->force && options->model.empty()) {
      options->model = "KRB-1";
      options->digits = "V0.00";
    }
    divuzo::cli::SetExitCode(RunCheckImage(*options));
  });
});

} // namespace
