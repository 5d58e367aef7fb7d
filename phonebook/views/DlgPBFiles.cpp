// The contacts page's vCard import and export.
#include <QFileDialog>

#include <algorithm>

#include "core/MessageBox.h"
#include "mainwindow/views/Unattended.h"
#include "phonebook/VCard.h"
#include "phonebook/views/DlgPB.h"
#include "resources/Localizer.h"
#include "resources/views/QtSkin.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "DlgPB";
// How many refusals the import message names one by one.
constexpr std::size_t kReasonsShown = 3;

const char* RefusalKey(VCardRefusal refusal) {
    switch (refusal) {
        case VCardRefusal::kNoName:
            return "RefusedNoName";
        case VCardRefusal::kNoNumber:
            return "RefusedNoNumber";
        default:
            return "RefusedMalformed";
    }
}

void Tell(const char* key, unsigned icon) {
    ShowMessage(LocalText(key, kSection), LocalText("Hint", kSection), kMbOk | icon);
}

}  // namespace

QString ChooseVCardFile(QWidget* parent, bool save) {
    const QString title = LocalQText(save ? "BtnExport" : "BtnImport", kSection);
    if (UnattendedDialogs()) {
        LogUnattended({"dialog", "VCardFile", title});
        return {};
    }
    const QString filter = LocalQText("VCardFilter", kSection) + QStringLiteral(" (*.vcf)");
    return save
               ? QFileDialog::getSaveFileName(parent, title, QStringLiteral("contacts.vcf"), filter)
               : QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

std::u16string ImportReport(const VCardImportResult& result) {
    QString text = LocalQText("ImportResult", kSection)
                       .arg(result.added)
                       .arg(result.duplicates)
                       .arg(static_cast<int>(result.refused.size()));
    const std::size_t shown = std::min(result.refused.size(), kReasonsShown);
    for (std::size_t i = 0; i < shown; ++i) {
        const VCardEntry& entry = result.refused[i];
        text += QStringLiteral("\r\n") + LocalQText("RefusedLine", kSection)
                                             .arg(entry.line)
                                             .arg(LocalQText(RefusalKey(entry.refusal), kSection));
    }
    return FromQString(text);
}

void CDlgPB::ImportFile() {
    if (page_ != kPCPage || env_.pc == nullptr || !env_.choose_file)
        return;
    const QString path = env_.choose_file(this, false);
    if (path.isEmpty())
        return;
    const VCardImportResult result = ImportVCardFile(path.toStdString(), *env_.pc);
    switch (result.outcome) {
        case VCardImportResult::kCannotRead:
            return Tell("ImportCannotRead", kMbIconError);
        case VCardImportResult::kTooLarge:
            return Tell("ImportTooLarge", kMbIconError);
        case VCardImportResult::kNoCards:
            return Tell("ImportNoCards", kMbIconExclamation);
        case VCardImportResult::kDone:
            break;
    }
    ShowMessage(ImportReport(result), LocalText("Hint", kSection),
                kMbOk | (result.refused.empty() ? kMbIconInformation : kMbIconExclamation));
}

void CDlgPB::ExportFile() {
    if (page_ != kPCPage || env_.pc == nullptr || !env_.choose_file)
        return;
    QString path = env_.choose_file(this, true);
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".vcf"), Qt::CaseInsensitive))
        path += QStringLiteral(".vcf");
    if (!ExportVCardFile(path.toStdString(), *env_.pc))
        return Tell("ExportFail", kMbIconError);
    ShowMessage(FromQString(LocalQText("ExportDone", kSection).arg(env_.pc->GetCount())),
                LocalText("Hint", kSection), kMbOk | kMbIconInformation);
}

}  // namespace dedevev
