#include "update/ui/AddressQuestion.h"

#include <QString>

#include "app/ui/DialogTemplate.h"
#include "app/ui/StopMessage.h"
#include "platform/RegistryStore.h"
#include "platform/Trace.h"
#include "update/FlashJob.h"

namespace divuzo {

bool AskToFlashWithoutAddress(QWidget* parent, const AddressSave& save, AddressRisk risk) {
  QString text =
      TextOf(risk == AddressRisk::NoAddress ? kTextAddressUnknown : kTextAddressNotStored);
  if (risk == AddressRisk::NotStored) {
    text += QStringLiteral("\n") + TextOf(kTextSettingsFile) +
            QString::fromStdString(RegistryStore::DefaultPath().string());
    TraceF("the address cannot be stored: %s\n", save.storeProblem.c_str());
  }
  return AskQuestion(parent, text + QStringLiteral("\n\n") + TextOf(kTextAddressQuestion));
}

} // namespace divuzo
