// Any bytes as what an IMAP server sends: framed and parsed in one piece and
// in pieces of a size the first byte chooses (the same responses or the same
// refusal either way), each response through every decoder, within bounds
// small enough that an unbounded allocation shows. The same bytes as a
// folder name must decode and encode back, and as a string sent in a
// command must parse back to themselves.
#include <algorithm>

#include "fuzz_support.h"
#include "notes/imap/command.h"
#include "notes/imap/data_decoders.h"
#include "notes/imap/fetch_decoder.h"
#include "notes/imap/imap_codes.h"
#include "notes/imap/mailbox_name.h"
#include "notes/imap/response_reader.h"

namespace {

using namespace vantor;
using namespace vantor::imap;

const ReaderLimits kLimits{.maxLine = 4096, .maxResponse = 1 << 20, .maxDepth = 48};

// What a run of the reader gave: how many responses, and the refusal if any.
struct Outcome {
    int responses = 0;
    QString refusal;
    bool operator==(const Outcome&) const = default;
};

void decodeAll(const Response& r) {
    (void)decodeList(r);
    (void)decodeStatus(r);
    (void)decodeSearch(r);
    if (r.code) {
        (void)decodeCopyUid(*r.code);
        (void)decodeAppendUid(*r.code);
        (void)codeNumber(*r.code, "UIDNEXT");
    }
    if (r.name == "CAPABILITY") (void)decodeCapabilities(r.values);
    if (const auto f = decodeFetch(r)) {
        if (f->body && f->body->section.size() > 4096) fuzz::fault("a section number without bound");
    }
}

Outcome read(const QByteArray& bytes, qsizetype chunk) {
    ResponseReader reader(kLimits);
    Outcome out;
    try {
        for (qsizetype i = 0; i < bytes.size(); i += chunk) {
            reader.feed(QByteArrayView(bytes).sliced(i, std::min(chunk, bytes.size() - i)));
            while (auto r = reader.next()) {
                ++out.responses;
                decodeAll(*r);
            }
        }
    } catch (const Failure& f) {
        if (f.code() != code::kBadServerData) fuzz::fault("a refusal with another code", f.description());
        if (f.description().isEmpty()) fuzz::fault("a refusal without a reason");
        out.refusal = f.description();
    }
    return out;
}

void checkName(const QByteArray& bytes) {
    if (const auto name = decodeMailboxName(bytes)) {
        if (decodeMailboxName(encodeMailboxName(*name)) != name)
            fuzz::fault("a folder name does not survive encoding", *name);
    }
    (void)displayMailboxName(bytes);
}

// The bytes sent as an astring come back as the same bytes from the reader.
void checkCommandString(const QByteArray& bytes) {
    if (bytes.contains('\0')) return;  // literals cannot carry NUL
    Command c("X");
    c.astring(bytes);
    QByteArray wire = c.wire("*", LiteralMode::NonSynchronizing).front();
    ResponseReader reader;  // quoting may double the length
    reader.feed(wire);
    try {
        const auto r = reader.next();
        if (!r || r->values.size() != 1 || r->values[0].bytes != bytes)
            fuzz::fault("a string sent in a command reads back otherwise");
    } catch (const Failure& f) {
        fuzz::fault("a string sent in a command cannot be read back", f.description());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const qsizetype chunk = 1 + data[0] % 64;
    const QByteArray bytes = QByteArray(reinterpret_cast<const char*>(data) + 1,
                                        static_cast<qsizetype>(size) - 1);
    const Outcome whole = read(bytes, std::max<qsizetype>(bytes.size(), 1));
    const Outcome pieces = read(bytes, chunk);
    // A refusal may come earlier in pieces (a bound seen before a later
    // response is complete) but never otherwise.
    if (whole.refusal.isEmpty() != pieces.refusal.isEmpty() ||
        (whole.refusal.isEmpty() && whole.responses != pieces.responses))
        fuzz::fault("the same bytes read otherwise in pieces",
                    QStringLiteral("%1/%2 vs %3/%4")
                        .arg(whole.responses)
                        .arg(whole.refusal)
                        .arg(pieces.responses)
                        .arg(pieces.refusal));
    if (bytes.size() <= 4096) {
        checkName(bytes);
        checkCommandString(bytes);
    }
    return 0;
}
