#pragma once
// Commands of the client as they go on the wire: atoms as they are, strings
// quoted or sent as literals as their bytes need, and the places where the
// server must answer "+" before the rest is sent.
#include <QByteArray>
#include <QByteArrayView>
#include <vector>

namespace vantor::imap {

// How literals may be sent: waiting for the server's "+" each time, or at
// once (LITERAL+ for any size, LITERAL- up to 4096 bytes).
enum class LiteralMode { Synchronizing, NonSynchronizing, NonSynchronizingSmall };

class Command {
public:
    // The command's name, with its fixed words: "UID FETCH", "SELECT".
    explicit Command(QByteArrayView verb);

    // Appends a space and the text as it is (an atom, a set, "(UID FLAGS)").
    Command& raw(QByteArrayView text);
    Command& number(quint64 n);
    // An astring: an atom when the bytes allow one, else a string.
    Command& astring(QByteArrayView bytes);
    // A string: quoted when the bytes allow it, else a literal.
    Command& string(QByteArrayView bytes);
    // Always a literal (a message to append).
    Command& literal(QByteArray bytes);
    // A line sent on its own after the server's "+" (SASL answers).
    Command& continuation(QByteArray line);

    const QByteArray& verb() const { return verb_; }
    // The bytes to send, in pieces: every piece after the first waits for
    // the server's "+".
    std::vector<QByteArray> wire(QByteArrayView tag, LiteralMode mode) const;

private:
    struct Part {
        enum class Kind { Text, Literal, Continuation } kind;
        QByteArray bytes;
    };
    QByteArray verb_;
    std::vector<Part> parts_;
};

}  // namespace vantor::imap
