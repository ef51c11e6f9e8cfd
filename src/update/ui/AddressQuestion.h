#pragma once
// The question the flashing pages ask before they flash a unit whose Bluetooth address cannot
// be kept: why (nothing to write back, or nowhere to keep it), what the user can do instead,
// and whether to go on.
#include "update/BtAddress.h"

class QWidget;

namespace divuzo {

// True when the user goes on (GUI thread).
bool AskToFlashWithoutAddress(QWidget* parent, const AddressSave& save, AddressRisk risk);

} // namespace divuzo
