#include "mainwindow/views/Unattended.h"

#include <QFile>

namespace dedevev {

namespace {

QString LogPath() {
    return qEnvironmentVariable("DEDEVEV_MESSAGE_LOG");
}

QString Flatten(QString field) {
    field.replace("\r\n", "\\n");
    field.replace('\r', "\\n");
    field.replace('\n', "\\n");
    field.replace('\t', "\\t");
    return field;
}

}  // namespace

bool UnattendedDialogs() {
    return !LogPath().isEmpty();
}

void LogUnattended(const QStringList& fields) {
    const QString path = LogPath();
    if (path.isEmpty())
        return;
    QStringList flat;
    flat.reserve(fields.size());
    for (const QString& field : fields)
        flat.append(Flatten(field));
    // One write per line, so that entries of concurrent writers never interleave.
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write((flat.join('\t') + '\n').toUtf8());
}

}  // namespace dedevev
