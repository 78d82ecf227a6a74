#include "UserDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {

const QString Title = QStringLiteral("Quillmere Log Analyzer");

/** Texts from the log or a file are shown as they are, never as markup. */
QMessageBox* makeBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                     QMessageBox::StandardButtons buttons) {
    auto* box = new QMessageBox(icon, Title, text, buttons, parent);
    box->setTextFormat(Qt::PlainText);
    return box;
}

} // namespace

void MessageBoxDialogs::warn(QWidget* parent, const QString& text) {
    std::unique_ptr<QMessageBox> box(makeBox(parent, QMessageBox::Warning, text, QMessageBox::Ok));
    box->exec();
}

bool MessageBoxDialogs::askYesNo(QWidget* parent, const QString& text, bool questionIcon) {
    std::unique_ptr<QMessageBox> box(
        makeBox(parent, questionIcon ? QMessageBox::Question : QMessageBox::NoIcon, text,
                QMessageBox::Yes | QMessageBox::No));
    box->setDefaultButton(QMessageBox::Yes);
    return box->exec() == QMessageBox::Yes;
}

std::optional<QString> MessageBoxDialogs::chooseLogFile(QWidget* parent, const QString& preset) {
    QFileDialog dialog(parent, QStringLiteral("Select Conlog file"), preset);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(
        {QStringLiteral("Conlog files (*.log)"), QStringLiteral("All files (*.*)")});
    dialog.selectNameFilter(QStringLiteral("Conlog files (*.log)"));
    dialog.setDefaultSuffix(QStringLiteral("log"));
    if (!preset.isEmpty())
        dialog.selectFile(preset);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

ErrorAnswer MessageBoxErrorReport::ask(const RunTimeError& error, const QString& place) {
    QMessageBox box(QMessageBox::Critical, Title, errorReportText(error, place),
                    QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Abort);
    box.setEscapeButton(QMessageBox::Ignore);
    switch (box.exec()) {
    case QMessageBox::Retry:
        return ErrorAnswer::Retry;
    case QMessageBox::Abort:
        return ErrorAnswer::Abort;
    default:
        return ErrorAnswer::Ignore;
    }
}
