#pragma once

// A main window on the offscreen platform with its settings in a scratch folder.

#include "ScriptedDialogs.h"
#include "ui/DataGrid.h"
#include "ui/GridModel.h"
#include "ui/PlotView.h"
#include "ui/Tamo.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace uitest {

/// The colour a widget's text is drawn in, as ui::setTextColour set it.
inline QColor textColour(const QWidget* widget) {
    return widget->palette().color(QPalette::WindowText);
}

inline QString example(const char* name) {
    return QStringLiteral(TAMO_EXAMPLES_DIR "/") + QString::fromLatin1(name);
}

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

/// A scratch program folder, its settings file and a window started in it.
struct Window {
    QTemporaryDir folder;
    ScriptedDialogs dialogs;
    std::unique_ptr<ui::Tamo> tamo;

    QString path(const QString& name) const { return folder.filePath(name); }
    QString settingsFile() const { return path(QStringLiteral("TAMO.INI")); }

    /// Copies an example into the scratch folder and returns its path there.
    QString copyExample(const char* name) {
        const QString target = path(QString::fromLatin1(name));
        QFile::remove(target);
        QFile::copy(example(name), target);
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        return target;
    }

    /// Starts the window; the open dialog at start-up gets `startFile` (empty: cancelled).
    ui::Tamo& start(const QString& startFile = {}) {
        if (!startFile.isEmpty())
            dialogs.openAnswers << startFile;
        tamo = std::make_unique<ui::Tamo>(
            dialogs, ui::SettingsLocation{settingsFile(), path(QStringLiteral("data")),
                                          path(QStringLiteral("logbook.sqlite"))});
        tamo->Form_Load();
        tamo->show();
        tamo->activateWindow();
        QApplication::processEvents();
        return *tamo;
    }

    template <typename T> T* find(const char* name) const {
        return tamo->findChild<T*>(QString::fromLatin1(name));
    }
    QString text(const char* labelName) const { return find<QLabel>(labelName)->text(); }
    ui::PlotView* dataPlot() const { return find<ui::PlotView>("DataPlot"); }
    ui::PlotView* residualPlot() const { return find<ui::PlotView>("ResidualPlot"); }
    ui::DataGrid* grid() const { return find<ui::DataGrid>("DataGrid"); }
    QString cell(int point, int column) const { return grid()->gridModel().text(point - 1, column); }
    const core::Titration& titration() const { return tamo->document().titration(); }
    QLineEdit* box(const char* name) const { return find<QLineEdit>(name); }

    /// A real key press, its events run.
    void key(QWidget* target, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(target, k, m);
        QApplication::processEvents();
    }
    /// Makes a cell of the grid current, as a click does.
    void selectCell(int point, int column) {
        grid()->setFocus();
        grid()->setCurrentIndex(grid()->model()->index(point - 1, column));
    }
    /// The grid's cell editor while one is open, else a stand-in that is never shown.
    QLineEdit* editor() const {
        QLineEdit* open = grid()->cellEditor();
        return open ? open : &noEditor;
    }
    mutable QLineEdit noEditor;

    /// Types a text into a box and presses Enter there.
    void enterIn(const char* name, const QString& text) {
        QLineEdit* b = box(name);
        b->setFocus();
        b->selectAll();
        QTest::keyClicks(b, text);
        QTest::keyClick(b, Qt::Key_Return);
    }
};

} // namespace uitest
