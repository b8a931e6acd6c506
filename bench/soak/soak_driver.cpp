// The soak: the real program watching two mailboxes for a long time on a
// desktop of its own (run by bench/soak.sh under tests/e2e/with-desktop.sh),
// a feeder delivering a message every few seconds, and a user acting on the
// popups at random. At the end it reports the program's memory over time,
// whether it stayed up, and what became of every message delivered.
//
//   vantor-soak --minutes N [--every S] [--seed N] [--report FILE]
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <vector>

#include "core/password.h"
#include "e2e/harness/desktop.h"
#include "e2e/harness/popup.h"
#include "e2e/harness/program_folder.h"

using namespace vantor::e2e;

namespace {

const QString kTeamServer = QStringLiteral("Lyon/Vantor");
const QString kTeamFile = QStringLiteral("mail\\equipe.nsf");
const QString kArchiveFile = QStringLiteral("archive\\jdupont_archive.nsf");
const QString kSender = QStringLiteral("Marie Curie/Vantor");
constexpr int kCheckMs = 120000;

struct Options {
    double minutes = 60;
    int everySeconds = 5;
    unsigned seed = 1;
    QString report;
};

// One message the feeder delivered, and what the user did with it.
struct Delivered {
    QString server;
    QString file;
    QString unid;
    qint64 at = 0;  // ms since the start of the soak
    int presented = 0;
    QString action;
    QString folder;  // where a move put it
    bool deletedOnPurpose = false;
};

struct Sample {
    double minute;
    long rssKb;
};

std::optional<Options> parse(const QStringList& args) {
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        bool ok = true;
        if (a == QLatin1String("--minutes") && hasValue) {
            o.minutes = args[++i].toDouble(&ok);
            ok = ok && o.minutes > 0;
        } else if (a == QLatin1String("--every") && hasValue) {
            o.everySeconds = args[++i].toInt(&ok);
            ok = ok && o.everySeconds > 0;
        } else if (a == QLatin1String("--seed") && hasValue) {
            o.seed = args[++i].toUInt(&ok);
        } else if (a == QLatin1String("--report") && hasValue) {
            o.report = args[++i];
        } else {
            ok = false;
        }
        if (!ok) return std::nullopt;
    }
    return o;
}

// Least-squares slope of the samples, in kB per minute.
double slope(const std::vector<Sample>& s) {
    if (s.size() < 2) return 0;
    double mx = 0, my = 0;
    for (const Sample& x : s) mx += x.minute, my += static_cast<double>(x.rssKb);
    mx /= static_cast<double>(s.size());
    my /= static_cast<double>(s.size());
    double num = 0, den = 0;
    for (const Sample& x : s) {
        num += (x.minute - mx) * (static_cast<double>(x.rssKb) - my);
        den += (x.minute - mx) * (x.minute - mx);
    }
    return den > 0 ? num / den : 0;
}

class Soak {
  public:
    Soak(const Options& o, AccessibilityBus& bus) : o_(o), bus_(bus), random_(o.seed) {}

    int run();

  private:
    void setUp();
    void deliver();
    void sample();
    void handle(const Popup& p);
    bool move(const Popup& p, Delivered& d);
    bool quit();
    void account();
    void report();

    const Options& o_;
    AccessibilityBus& bus_;
    std::mt19937 random_;
    std::unique_ptr<ProgramFolder> folder_;
    std::unique_ptr<RunningProgram> program_;
    std::unique_ptr<Screen> screen_;
    QElapsedTimer clock_;
    std::vector<Delivered> delivered_;
    std::map<QString, size_t> bySubject_;
    std::vector<Sample> samples_;
    std::map<QString, int> actions_;
    QStringList problems_;
    QString attachment_;
    bool crashed_ = false;
    bool quitCleanly_ = false;
    int unknownPopups_ = 0;
    // Filled by account().
    int inMailbox_ = 0, moved_ = 0, archived_ = 0, deleted_ = 0, lost_ = 0, missed_ = 0;
};

void Soak::setUp() {
    folder_ = std::make_unique<ProgramFolder>(qEnvironmentVariable("VANTOR_E2E_WORK"),
                                              QStringLiteral("soak"));
    ProgramFolder& f = *folder_;
    f.createFolders(
        kMailServer, kMailFile,
        {QStringLiteral("Projets"), QStringLiteral("Projets\\2004"), QStringLiteral("Clients")});
    f.mailbox(kTeamServer, kTeamFile, {QStringLiteral("Projets"), QStringLiteral("Archives")});
    f.store({QStringLiteral("create-database"), QStringLiteral("--server"), QStringLiteral("local"),
             QStringLiteral("--file"), kArchiveFile});
    f.registerClient();
    f.writeParam({{QStringLiteral("DELAI"), QStringLiteral("3")},
                  {QStringLiteral("BAL_0"), kMailFile},
                  {QStringLiteral("SERVEUR_LOTUS_0"), kMailServer},
                  {QStringLiteral("BAL_ARCHIVE_0"), kArchiveFile},
                  {QStringLiteral("BAL_1"), kTeamFile},
                  {QStringLiteral("SERVEUR_LOTUS_1"), kTeamServer},
                  {QStringLiteral("PASSWORD"), vantor::CrypteMotDePasse(kPassword).value()},
                  {QStringLiteral("AUTO"), QStringLiteral("1")},
                  {QStringLiteral("WIDTH"), QStringLiteral("5400")}});
    attachment_ = QDir(f.stubFolder()).filePath(QStringLiteral("compte rendu.txt"));
    QFile a(attachment_);
    if (a.open(QIODevice::WriteOnly)) a.write(QByteArray(20000, 'x'));
}

void Soak::deliver() {
    const bool team = delivered_.size() % 2 == 1;
    Delivered d;
    d.server = team ? kTeamServer : kMailServer;
    d.file = team ? kTeamFile : kMailFile;
    const QString subject =
        QStringLiteral("Soak %1").arg(delivered_.size() + 1, 5, 10, QLatin1Char('0'));
    QStringList extra;
    if (delivered_.size() % 4 == 2) extra << QStringLiteral("--attach") << attachment_;
    try {
        d.unid = folder_->deliver(
            d.server, d.file, kSender, subject,
            QStringLiteral("Message %1 du soak.\r\nDeuxième ligne.").arg(subject), extra);
    } catch (const std::exception& e) {
        problems_ << QStringLiteral("delivery failed: %1").arg(QString::fromUtf8(e.what()));
        return;
    }
    d.at = clock_.elapsed();
    bySubject_[subject] = delivered_.size();
    delivered_.push_back(d);
}

void Soak::sample() {
    const long rss = program_->residentKb();
    if (rss > 0) samples_.push_back({static_cast<double>(clock_.elapsed()) / 60000.0, rss});
}

bool Soak::move(const Popup& p, Delivered& d) {
    bus_.takeShown();
    if (!clickPopup(*screen_, p, kDossiers)) return false;
    const std::optional<Menu> menu = screen_->waitForMenu(10000);
    if (!menu || menu->entries.isEmpty()) return false;
    QString caption = menu->entries[random_() % menu->entries.size()].first;
    QString path = caption;
    // Entries with children open a submenu: one of its entries, "-" for itself.
    if (screen_->hasSubmenu(*menu, caption)) {
        const std::optional<Menu> sub = screen_->openSubmenu(*menu, caption);
        if (!sub || sub->entries.isEmpty()) return false;
        const QString inner = sub->entries[random_() % sub->entries.size()].first;
        if (inner != QLatin1String("-")) path += QLatin1Char('\\') + inner;
        if (!screen_->choose(*sub, inner)) return false;
    } else if (!screen_->choose(*menu, caption)) {
        return false;
    }
    d.folder = path;
    return true;
}

void Soak::handle(const Popup& p) {
    const auto found = bySubject_.find(p.subject);
    if (found == bySubject_.end()) {
        ++unknownPopups_;
        problems_ << QStringLiteral("a popup not from the feeder: \"%1\" from \"%2\" in %3")
                         .arg(p.subject, p.from, p.mailbox);
        clickPopup(*screen_, p, kFermer);
        waitUntilLeft(*screen_, p, 15000);
        return;
    }
    Delivered& d = delivered_[found->second];
    if (++d.presented > 1) problems_ << QStringLiteral("%1 presented twice").arg(p.subject);

    static const std::vector<std::pair<QString, int>> weights = {
        {QStringLiteral("delete"), 15}, {QStringLiteral("flag"), 15},
        {QStringLiteral("move"), 15},   {QStringLiteral("attachments"), 10},
        {QStringLiteral("reply"), 5},   {QStringLiteral("close"), 20},
        {QStringLiteral("leave"), 20}};
    int total = 0;
    for (const auto& [name, w] : weights) total += w;
    int pick = static_cast<int>(random_() % static_cast<unsigned>(total));
    QString action;
    for (const auto& [name, w] : weights) {
        if ((pick -= w) < 0) {
            action = name;
            break;
        }
    }
    if (action == QLatin1String("attachments") &&
        popupButton(*screen_, p, kPiecesJointes).isEmpty())
        action = QStringLiteral("close");

    // The countdown starts again, and the message is read once more right
    // before the click: what is deleted is what the popup shows.
    keepOpen(*screen_, p);
    if (!stillShown(*screen_, p)) action = QStringLiteral("leave");
    bool done = true;
    if (action == QLatin1String("delete")) {
        d.deletedOnPurpose = true;
        done = clickPopup(*screen_, p, kSupprimer);
    } else if (action == QLatin1String("flag")) {
        static const QString flags[] = {kPrioriteHaute, kPrioriteMoyenne, kPrioriteFaible};
        done = clickPopup(*screen_, p, flags[random_() % 3]);
    } else if (action == QLatin1String("move")) {
        done = move(p, d);
    } else if (action == QLatin1String("attachments")) {
        done = clickPopup(*screen_, p, kPiecesJointes);
    } else if (action == QLatin1String("reply")) {
        done = clickPopup(*screen_, p, kRepondre);
    } else if (action == QLatin1String("close")) {
        done = clickPopup(*screen_, p, kFermer);
    }
    d.action = action;
    ++actions_[action];
    if (!done) problems_ << QStringLiteral("%1: %2 could not be done").arg(p.subject, action);
    if (!waitUntilLeft(*screen_, p, 20000)) {
        problems_ << QStringLiteral("%1: the popup stayed after %2").arg(p.subject, action);
        clickPopup(*screen_, p, kFermer);
        waitUntilLeft(*screen_, p, 10000);
    }
}

bool Soak::quit() {
    bus_.takeShown();
    if (!desktop::clickIn(desktop::trayIcon(QStringLiteral("Vantor")), 3)) return false;
    const std::optional<Menu> menu = screen_->waitForMenu(15000);
    return menu && screen_->choose(*menu, QStringLiteral("Quitter")) &&
           program_->waitForExit(30000) && program_->exitCode() == 0;
}

void Soak::account() {
    std::map<QString, std::set<QString>> views;
    const auto listed = [&](const QString& server, const QString& file,
                            const QString& view) -> const std::set<QString>& {
        const QString key = server + QLatin1Char('|') + file + QLatin1Char('|') + view;
        if (!views.count(key)) {
            std::set<QString> unids;
            try {
                for (const QString& u : folder_->listed(server, file, view)) unids.insert(u);
            } catch (const std::exception& e) {
                problems_ << QString::fromUtf8(e.what());
            }
            views[key] = unids;
        }
        return views[key];
    };
    const qint64 end = clock_.elapsed();
    for (const Delivered& d : delivered_) {
        const bool present = listed(d.server, d.file, QStringLiteral("($All)")).count(d.unid) > 0;
        const bool archivedCopy =
            listed(QStringLiteral("local"), kArchiveFile, QStringLiteral("($All)")).count(d.unid) >
            0;
        if (present && !d.folder.isEmpty() && listed(d.server, d.file, d.folder).count(d.unid)) {
            ++moved_;
        } else if (present) {
            ++inMailbox_;
        } else if (archivedCopy) {
            ++archived_;
        } else if (d.deletedOnPurpose) {
            ++deleted_;
        } else {
            ++lost_;
            problems_ << QStringLiteral("lost: %1 in %2").arg(d.unid, d.file);
        }
        // Mail delivered two checks or more before the end must have shown.
        if (d.presented == 0 && end - d.at > 2 * kCheckMs) ++missed_;
    }
}

void Soak::report() {
    int presented = 0;
    for (const Delivered& d : delivered_) presented += d.presented > 0;
    QString out;
    const auto line = [&](const QString& l) { out += l + QLatin1Char('\n'); };
    line(QStringLiteral("duration_minutes %1")
             .arg(static_cast<double>(clock_.elapsed()) / 60000.0, 0, 'f', 1));
    if (!samples_.empty()) {
        long peak = 0;
        for (const Sample& s : samples_) peak = std::max(peak, s.rssKb);
        line(QStringLiteral("rss_kb_start %1").arg(samples_.front().rssKb));
        line(QStringLiteral("rss_kb_end %1").arg(samples_.back().rssKb));
        line(QStringLiteral("rss_kb_peak %1").arg(peak));
        // After the first ten minutes, once caches and fonts have settled.
        std::vector<Sample> settled;
        for (const Sample& s : samples_)
            if (s.minute >= std::min(10.0, o_.minutes / 3)) settled.push_back(s);
        line(QStringLiteral("rss_slope_kb_per_min_all %1").arg(slope(samples_), 0, 'f', 1));
        line(QStringLiteral("rss_slope_kb_per_min_settled %1").arg(slope(settled), 0, 'f', 1));
        QStringList series;
        for (const Sample& s : samples_)
            series << QStringLiteral("%1:%2").arg(s.minute, 0, 'f', 1).arg(s.rssKb);
        line(QStringLiteral("rss_samples %1").arg(series.join(QLatin1Char(' '))));
    }
    line(QStringLiteral("crashed %1").arg(crashed_ ? 1 : 0));
    line(QStringLiteral("quit_cleanly %1").arg(quitCleanly_ ? 1 : 0));
    line(QStringLiteral("delivered %1").arg(delivered_.size()));
    line(QStringLiteral("presented %1").arg(presented));
    line(QStringLiteral("missed_presentations %1").arg(missed_));
    line(
        QStringLiteral("accounted %1 (in mailbox %2, moved %3, archived %4, deleted on purpose %5)")
            .arg(inMailbox_ + moved_ + archived_ + deleted_)
            .arg(inMailbox_)
            .arg(moved_)
            .arg(archived_)
            .arg(deleted_));
    line(QStringLiteral("lost %1").arg(lost_));
    line(QStringLiteral("unknown_popups %1").arg(unknownPopups_));
    QStringList acts;
    for (const auto& [name, n] : actions_) acts << QStringLiteral("%1=%2").arg(name).arg(n);
    line(QStringLiteral("actions %1").arg(acts.join(QLatin1Char(' '))));
    for (const QString& p : problems_.mid(0, 50)) line(QStringLiteral("problem %1").arg(p));
    if (problems_.size() > 50)
        line(QStringLiteral("problem ... %1 more").arg(problems_.size() - 50));
    const QString tail = program_->output().right(4000);
    if (crashed_ || tail.contains(QLatin1String("Sanitizer")) ||
        tail.contains(QLatin1String("runtime error")))
        line(QStringLiteral("program_output\n%1").arg(tail));
    std::fputs(qPrintable(out), stdout);
    if (!o_.report.isEmpty()) {
        QFile f(o_.report);
        if (f.open(QIODevice::WriteOnly)) f.write(out.toUtf8());
        // What the program wrote and logged, for a look afterwards.
        QFile::remove(o_.report + QStringLiteral(".erreur_log.txt"));
        QFile::copy(folder_->file(QStringLiteral("erreur_log.txt")),
                    o_.report + QStringLiteral(".erreur_log.txt"));
        // The mail store as it was left, when something went wrong with it.
        if (lost_ > 0) {
            QProcess::execute(QStringLiteral("cp"),
                              {QStringLiteral("-a"), folder_->file(QStringLiteral("notesdata")),
                               o_.report + QStringLiteral(".notesdata")});
        }
    }
}

int Soak::run() {
    setUp();
    program_ = std::make_unique<RunningProgram>(*folder_);
    const Node app = bus_.waitForApplication(QStringLiteral("Vantor"), 60000);
    if (!app.valid() ||
        !waitUntil([] { return !desktop::trayIcon(QStringLiteral("Vantor")).isEmpty(); }, 60000)) {
        std::fprintf(stderr, "Vantor did not start watching\n%s\n", qPrintable(program_->output()));
        return 1;
    }
    screen_ = std::make_unique<Screen>(bus_, app);
    QThread::sleep(2);  // new mail comes after the start's save

    clock_.start();
    const qint64 total = static_cast<qint64>(o_.minutes * 60000);
    // The last stretch only shows what is still coming; no new mail then.
    const qint64 feedEnd = total - std::min<qint64>(total / 4, 100000);
    const qint64 sampleEvery = total >= 30 * 60000 ? 30000 : 10000;
    qint64 nextDelivery = 0, nextSample = 0;
    std::printf("soak: %.1f min, a message every %d s, seed %u, folder %s\n", o_.minutes,
                o_.everySeconds, o_.seed, qPrintable(folder_->path()));
    std::fflush(stdout);
    while (clock_.elapsed() < total) {
        if (!program_->running()) {
            crashed_ = true;
            break;
        }
        const qint64 now = clock_.elapsed();
        if (now >= nextSample) {
            sample();
            nextSample += sampleEvery;
        }
        if (now >= nextDelivery && now < feedEnd) {
            deliver();
            nextDelivery += o_.everySeconds * 1000;
        }
        if (const std::optional<Popup> p = popupShown(*screen_)) handle(*p);
        QCoreApplication::processEvents();
        QThread::msleep(100);
    }
    if (!crashed_) {
        sample();
        quitCleanly_ = quit();
        if (!quitCleanly_)
            problems_ << QStringLiteral("quitting from the tray menu did not end the program");
    }
    program_->stop();
    account();
    report();
    return crashed_ || lost_ > 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::optional<Options> options = parse(app.arguments());
    if (!options) {
        std::fprintf(stderr,
                     "usage: vantor-soak [--minutes N] [--every S] [--seed N] [--report FILE]\n");
        return 2;
    }
    if (!qEnvironmentVariableIsSet("VANTOR_E2E_WORK")) {
        std::fprintf(stderr, "run it through tests/e2e/with-desktop.sh (bench/soak.sh does)\n");
        return 2;
    }
    QString why;
    const std::unique_ptr<AccessibilityBus> bus = AccessibilityBus::connect(&why);
    if (!bus) {
        std::fprintf(stderr, "no accessibility bus: %s\n", qPrintable(why));
        return 77;
    }
    try {
        return Soak(*options, *bus).run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "soak: %s\n", e.what());
        return 1;
    }
}
