// harbex: the windowed shell around the SNOBOL4 language processors.

#include "forms.h"
#include "main_form.h"
#include "platform.h"

#include <QApplication>
#include <exception>

namespace {

constexpr char kApplicationTitle[] = "SNOBOL4 Windows Shell";

void ShowException(const char* what) {
    harbex::ShowMessage(QString::fromLocal8Bit(what), kApplicationTitle,
                        harbex::MessageButtons::Ok);
}

// An exception that reaches the message loop is shown, and the program ends.
class ShellApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& error) {
            ShowException(error.what());
        } catch (...) {
            ShowException("Unknown exception");
        }
        exit(0);
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    ShellApplication application(argc, argv);
    // "SNOBOL4 Windows Shell" is the name the desktop shows for the program,
    // from its desktop entry; window captions stay as defined.
    QApplication::setDesktopFileName("harbex");
    try {
        harbex::Forms forms;
        QObject::connect(harbex::MainForm, &harbex::TForm::OnClose, &application,
                         &QApplication::quit, Qt::QueuedConnection);
        harbex::MainForm->show();
        QApplication::exec();
    } catch (const std::exception& error) {
        ShowException(error.what());
    }
    return 0;
}
