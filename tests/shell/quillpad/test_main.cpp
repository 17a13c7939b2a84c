// quillpad's tests run under Qt's offscreen platform, with their sockets in
// a private folder and every question answered from a queue.

#include "quillpad_test_support.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace quillpad::test {

Questions& AskedQuestions() {
    static Questions questions;
    return questions;
}

} // namespace quillpad::test

int main(int argc, char** argv) {
    using namespace quillpad::test;
    static TempDir runtime;
    static TempDir state;
    static TempDir config;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    setenv("XDG_STATE_HOME", state.Path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    unsetenv("HARBEX_EDITOR");
    QApplication application(argc, argv);
    quillpad::SetAskFunction([](QWidget*, const QString& text, QMessageBox::StandardButtons,
                                QMessageBox::StandardButton keeping) {
        Questions& questions = AskedQuestions();
        questions.asked.append(text);
        questions.defaults.append(keeping);
        return questions.answers.isEmpty() ? QMessageBox::Cancel : questions.answers.takeFirst();
    });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
