#pragma once

#include "ui/UserDialogs.h"

#include <QStringList>

#include <functional>
#include <optional>

/** Boxes and a file dialog that answer from a script and record what they were asked. */
class FakeDialogs : public IUserDialogs {
public:
    void warn(QWidget*, const QString& text) override {
        warnings << text;
        if (whileAsked)
            whileAsked();
    }
    bool askYesNo(QWidget*, const QString& text, bool questionIcon) override {
        questions << text;
        questionIcons << questionIcon;
        if (whileAsked)
            whileAsked();
        return answers.isEmpty() ? false : answers.takeFirst();
    }
    std::optional<QString> chooseLogFile(QWidget*, const QString& preset) override {
        presets << preset;
        return chosenFiles.isEmpty() ? std::nullopt : chosenFiles.takeFirst();
    }

    std::optional<QString> chooseExportFile(QWidget*, const QString& suggested) override {
        suggestedExports << suggested;
        return exportFiles.isEmpty() ? std::nullopt : exportFiles.takeFirst();
    }
    void inform(QWidget*, const QString& text) override { notices << text; }
    bool openWithDesktop(const QString& path) override {
        opened << path;
        return true;
    }

    QStringList warnings;
    QStringList notices;
    QStringList opened;
    QStringList suggestedExports;
    QList<std::optional<QString>> exportFiles; ///< what the save dialog returns; then cancel
    QStringList questions;
    QList<bool> questionIcons;
    QList<bool> answers; ///< Yes (true) or No, in order; then No
    QList<std::optional<QString>>
        chosenFiles; ///< what the file dialog returns, in order; then cancel
    QStringList presets;
    std::function<void()> whileAsked; ///< runs while a box is open (a warning or a question)
};
