// help-screenshots OUTPUT_FOLDER: the manual's pictures of Parlaro's own windows — the main
// window with a few calls, the note prompt, the Find dialog, the options and the calibration —
// built from the program's real classes. scripts/help-screenshots runs it with settings, data
// and calls in folders of its own, on the virtual sound devices, under Xvfb.
#include "app/MainWindow.h"
#include "app/library/ui/AddNoteDialog.h"
#include "app/library/ui/FindCallDialog.h"
#include "app/options/CalibrationDialog.h"
#include "app/recording/StatusDisplay.h"
#include "app/support/Clock.h"
#include "core/settings/Product.h"
#include "core/settings/ProductSettings.h"
#include "services/prompts/QtPrompter.h"
#include "tools/help-screenshots/SampleCalls.h"
#include "tools/help-screenshots/WindowShot.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QTreeView>

#include <cstdio>

using namespace parlaro;

namespace {

bool shootInto(QWidget& window, const QString& folder, const char* name) {
    const QString path = folder + "/" + name;
    const bool ok = helpshots::shoot(window, path);
    std::fprintf(ok ? stdout : stderr, "%s %s\n", ok ? "wrote" : "could not write or frame",
                 qPrintable(path));
    return ok;
}

void fill(QWidget& parent, const char* name, const QString& text) {
    if (auto* line = parent.findChild<QLineEdit*>(name)) line->setText(text);
    if (auto* box = parent.findChild<QPlainTextEdit*>(name)) box->setPlainText(text);
}

// The options are modal: they are grabbed from inside their own event loop, then closed.
bool shootOptions(MainWindow& window, const QString& folder) {
    bool ok = false;
    QTimer::singleShot(0, &window, [&] {
        auto* options = window.findChild<QDialog*>("frmOptions");
        if (!options) return;
        ok = shootInto(*options, folder, "options.png");
        options->reject();
    });
    window.runOptions();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: help-screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "help-screenshots: cannot make %s\n", argv[1]);
        return 1;
    }

    const std::unique_ptr<Prompter> prompter = makePrompter();
    ProductSettings product(*prompter);
    SettingsAccess& globals = product.settings();
    RegistryAccess& reg = product.registry();

    const StartupEnvironment env =
        StartupEnvironment::fromSystem(QCoreApplication::applicationDirPath());
    const QString calls = DefaultCallsFolder(env);
    if (!helpshots::writeSampleCalls(calls)) {
        std::fprintf(stderr, "help-screenshots: cannot write the sample calls into %s\n",
                     qPrintable(calls));
        return 1;
    }
    // A recorder set up as on any working day: automatic, filing into the sample calls.
    globals.WriteSetting("CallPath", calls);
    globals.WriteSetting("SearchPath", calls);
    globals.WriteSettingLong("AutoRecord", 1);

    const SystemClock clock;
    MainWindow window(globals, reg, *prompter, env, clock);
    window.Load();
    window.show();
    helpshots::settle(1500);
    if (auto* list = window.findChild<QTreeView*>("lvwCalls"); list && list->model()) {
        list->setFocus();
        list->selectionModel()->setCurrentIndex(
            list->model()->index(0, 0),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    int failures = shootInto(window, out, "main-window.png") ? 0 : 1;

    AddNoteDialog& note = window.notePrompt();
    note.open([](const QString&) {});
    fill(note, "txtCallNote", "Asked for a quote for 40 chairs.\nCall back on Friday.");
    failures += shootInto(note, out, "note-prompt.png") ? 0 : 1;
    note.CloseAddNoteForm("");

    window.onFind();
    if (FindCallDialog* find = window.findDialog()) {
        fill(*find, "txtUser", "anna");
        fill(*find, "txtSearchString", "quote*chairs");
        failures += shootInto(*find, out, "find-dialog.png") ? 0 : 1;
        find->close();
    } else {
        ++failures;
    }

    failures += shootOptions(window, out) ? 0 : 1;

    CalibrationDialog calibration(&window, *prompter);
    calibration.show();
    failures += shootInto(calibration, out, "calibration.png") ? 0 : 1;
    calibration.close();

    return failures == 0 ? 0 : 1;
}
