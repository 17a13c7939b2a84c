#pragma once
// The adapter's standard output, read with the shared framing reader
// (framing/framing.h) on a thread of its own: the reader waits for bytes,
// which the window's thread must never do. Each message, each broken one
// passed over, and the end of the stream come to the owner's thread as
// signals, in the order they were read. The pipe is made here and given to
// the adapter's process as its standard output; Stop wakes the reader and
// waits for it, however long the writer's end stays open.

#include <QObject>
#include <functional>
#include <thread>

namespace quillpad {

class AdapterPipe : public QObject {
    Q_OBJECT
public:
    explicit AdapterPipe(QObject* parent = nullptr);
    ~AdapterPipe() override; // stops the reader

    // A new pipe, the last one stopped first; false (with errno's words in
    // `error`) when none can be made.
    bool Open(QString& error);
    // What the child runs before its program: the pipe becomes its
    // standard output.
    std::function<void()> ChildSide() const;
    // After the child has started: the writing end is the child's alone,
    // and the reader begins.
    void Begin();
    void Stop();
    bool Reading() const { return reader_.joinable(); }

signals:
    void message(const QByteArray& body);
    void problem(const QString& text);
    void ended(); // the writer closed its end (or the reader was stopped)

private:
    void Read(int fd, int wake, int generation);
    void CloseAll();

    int read_ = -1;
    int write_ = -1;
    int wake_ = -1;      // an eventfd that ends the reader's wait
    int generation_ = 0; // of the pipe: what an older one read is dropped
    std::thread reader_;
};

} // namespace quillpad
