#include "settings/views/DlgPin.h"

namespace dedevev {

// Placeholder until the PIN page is built.
CDlgPin::CDlgPin(QWidget* parent) : CSettingsPage(parent) {}
CDlgPin::~CDlgPin() = default;
void CDlgPin::Reload() {}

}  // namespace dedevev
