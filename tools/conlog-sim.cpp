// conlog-sim: writes a connection log as the key-block proxy does, for tests, benchmarks and
// demos, and can print what an exact counter must find in it.
//
// Line grammar (1-based columns), every line ending in CR CR LF (the reader drops the byte
// just before CR LF, which is the extra CR):
//   1-8 date "MM/DD/YY", 9 space, 10-17 time "HH:MM:SS", 18 space, 19-24 kind token,
//   19-end the message. Messages written:
//   rc564 r=<in>, w=<out>                       RC5 buffer status (in-/out-buffer texts)
//   ogr r=<in>, w=<out>                         OGR buffer status
//   Client <addr> --> sent rc5 <n> blocks       RC5 return: counts n for <addr>
//   Client <addr> <-- got rc5 <n> blocks        RC5 fetch: counts nothing, dates the client
//   Client <addr> <-- got ogr <n> stubs         OGR fetch: likewise
//   <addr>: completed ogr stub <id> (<x> Mnodes) OGR completion: counts 1 for <addr>
//   server <-- flush of rc5 blocks: <n>         uplink: adds n to the RC5 uplink total
//   server <-- flush of ogr stubs: <n>          uplink: adds 1 to the OGR uplink total
//   server --> fetch of rc5 blocks: <n>         refill from the server: counts nothing
//   server --> fetch of ogr stubs: <n>          likewise
//   proxy start, "listening on port 2064", warnings: match no kind
//   (split at single spaces: field 1 of a "Client" line is the client, field 5 the count;
//   field 1 of a "server" line is the direction, field 4 the project, field 6 the count.)
//
// Usage:
//   conlog-sim [--lines N] [--seed S] [--clients C] [--days D] [--end-date MM/DD/YY]
//              [--expect] out.log
//       writes N lines spread over D days ending at the end date (default today);
//   conlog-sim --append --rate LINES_PER_SEC [--duration SEC] [--lines N] [--seed S]
//              [--clients C] [--expect] out.log
//       appends lines dated now, flushing each batch, until SEC seconds or N lines have
//       passed (or SIGINT/SIGTERM).
//   --expect prints to stdout what was written, counted by the generator itself:
//       lines <N>
//       last <date> <time>                      date and time of the last line
//       uplink RC5|OGR <total>
//       clients RC5|OGR <total>
//       buffer RC5|OGR <in> <out>               last buffer texts ("0" when none was written)
//       record RC5|OGR <client> <blocks> <date> <time>   in first-counted order
//       day RC5|OGR <client> <date> <blocks>    after each record, in first-counted order
//   "<All-clients>" is the client of the project-wide records.
// The same seed and options give the same file byte for byte (live lines differ only in
// their dates and times).

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

void requestStop(int) {
    g_stopRequested = 1;
}

/** xoshiro256** seeded through splitmix64: fast, and the same on every platform. */
class Random {
public:
    explicit Random(quint64 seed) {
        for (auto& s : m_s) {
            seed += 0x9E3779B97F4A7C15ull;
            quint64 z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            s = z ^ (z >> 31);
        }
    }
    quint64 next() {
        const quint64 result = rotl(m_s[1] * 5, 7) * 9;
        const quint64 t = m_s[1] << 17;
        m_s[2] ^= m_s[0];
        m_s[3] ^= m_s[1];
        m_s[1] ^= m_s[2];
        m_s[0] ^= m_s[3];
        m_s[2] ^= t;
        m_s[3] = rotl(m_s[3], 45);
        return result;
    }
    /** Uniform in [0, n). */
    quint32 below(quint32 n) { return quint32(((next() >> 32) * quint64(n)) >> 32); }
    /** Uniform in [lo, hi]. */
    quint32 between(quint32 lo, quint32 hi) { return lo + below(hi - lo + 1); }
    bool chance(quint32 percent) { return below(100) < percent; }

private:
    static quint64 rotl(quint64 x, int k) { return (x << k) | (x >> (64 - k)); }
    quint64 m_s[4];
};

enum ProjectIndex { RC5 = 0, OGR = 1 };
constexpr const char* ProjectCode[2] = {"RC5", "OGR"};

constexpr const char* LanPrefixes[] = {"192.168.1.", "192.168.0.", "192.168.2."};
constexpr int LanPrefixCount = 3;
constexpr const char* HostWords[] = {"attic",  "cellar", "den",   "kitchen", "lab",  "study",
                                     "garage", "laptop", "tower", "crunch",  "mini", "nas"};
constexpr int HostWordCount = 12;

struct Client {
    std::string name;
    bool doesRC5 = true;
    bool doesOGR = false;
    quint32 weight = 1; ///< how busy the machine is
};

void appendTwoDigits(std::string& out, int value) {
    const char digits[2] = {char('0' + value / 10 % 10), char('0' + value % 10)};
    out.append(digits, 2);
}

/** "MM/DD/YY" of date. */
std::string dateText(const QDate& date) {
    std::string text;
    appendTwoDigits(text, date.month());
    text += '/';
    appendTwoDigits(text, date.day());
    text += '/';
    appendTwoDigits(text, date.year() % 100);
    return text;
}

/** "HH:MM:SS" of a second of the day. */
void appendTimeText(std::string& out, int second) {
    appendTwoDigits(out, second / 3600);
    out += ':';
    appendTwoDigits(out, second / 60 % 60);
    out += ':';
    appendTwoDigits(out, second % 60);
}

std::string timeText(int second) {
    std::string text;
    appendTimeText(text, second);
    return text;
}

/**
 * What a counter must find in the written lines: the client records in first-counted order
 * with their day histories, and the project figures. Kept by indices, filled as lines are made.
 */
class Tally {
public:
    void setClientCount(int clients) {
        for (auto& index : m_recordOf)
            index.assign(size_t(clients) + 1, -1);
    }
    /** Index of date in the table of dates, added when new (dates come in order). */
    int dayIndex(const std::string& date) {
        if (!m_dates.empty() && m_dates.back() == date)
            return int(m_dates.size()) - 1;
        for (size_t i = 0; i < m_dates.size(); ++i)
            if (m_dates[i] == date)
                return int(i);
        m_dates.push_back(date);
        return int(m_dates.size()) - 1;
    }

    const std::string& date(int day) const { return m_dates[size_t(day)]; }

    void count(int project, int client, int day, int second, qint64 blocks) {
        add(project, -1, day, second, blocks);
        m_clientsTotal[project] += blocks;
        add(project, client, day, second, blocks);
    }
    void line(int day, int second) {
        ++m_lines;
        m_lastDay = day;
        m_lastSecond = second;
    }
    void uplink(int project, qint64 amount) { m_uplink[project] += amount; }
    void buffers(int project, quint32 in, quint32 out) {
        m_in[project] = std::to_string(in);
        m_out[project] = std::to_string(out);
    }

    void print(const std::vector<Client>& clients, std::FILE* out) const {
        std::fprintf(out, "lines %lld\n", m_lines);
        if (m_lastDay >= 0)
            std::fprintf(out, "last %s %s\n", m_dates[size_t(m_lastDay)].c_str(),
                         timeText(m_lastSecond).c_str());
        for (int p : {RC5, OGR})
            std::fprintf(out, "uplink %s %lld\n", ProjectCode[p], m_uplink[p]);
        for (int p : {RC5, OGR})
            std::fprintf(out, "clients %s %lld\n", ProjectCode[p], m_clientsTotal[p]);
        for (int p : {RC5, OGR})
            std::fprintf(out, "buffer %s %s %s\n", ProjectCode[p], m_in[p].c_str(),
                         m_out[p].c_str());
        for (const Record& record : m_records) {
            const char* project = ProjectCode[record.project];
            const char* name =
                record.client < 0 ? "<All-clients>" : clients[size_t(record.client)].name.c_str();
            std::fprintf(out, "record %s %s %lld %s %s\n", project, name, record.blocks,
                         m_dates[size_t(record.lastDay)].c_str(),
                         timeText(record.lastSecond).c_str());
            for (int day : record.dayOrder)
                std::fprintf(out, "day %s %s %s %lld\n", project, name,
                             m_dates[size_t(day)].c_str(), record.perDay[size_t(day)]);
        }
    }

private:
    struct Record {
        int project = RC5;
        int client = -1; ///< -1: "<All-clients>"
        qint64 blocks = 0;
        int lastDay = 0;
        int lastSecond = 0;
        std::vector<qint64> perDay; ///< by day index; -1 = no entry yet
        std::vector<int> dayOrder;
    };

    void add(int project, int client, int day, int second, qint64 blocks) {
        int& index = m_recordOf[project][size_t(client + 1)];
        if (index < 0) {
            index = int(m_records.size());
            m_records.push_back(Record{project, client, 0, day, second, {}, {}});
        }
        Record& record = m_records[size_t(index)];
        record.blocks += blocks;
        record.lastDay = day;
        record.lastSecond = second;
        if (record.perDay.size() <= size_t(day))
            record.perDay.resize(size_t(day) + 1, -1);
        qint64& dayBlocks = record.perDay[size_t(day)];
        if (dayBlocks < 0) {
            dayBlocks = 0;
            record.dayOrder.push_back(day);
        }
        dayBlocks += blocks;
    }

    std::vector<std::string> m_dates;
    std::vector<Record> m_records;
    std::vector<int> m_recordOf[2]; ///< client + 1 → index in m_records, or -1
    qint64 m_lines = 0;
    int m_lastDay = -1;
    int m_lastSecond = 0;
    qint64 m_uplink[2] = {0, 0};
    qint64 m_clientsTotal[2] = {0, 0};
    std::string m_in[2] = {"0", "0"};
    std::string m_out[2] = {"0", "0"};
};

/** Makes the proxy's events one line at a time into an output buffer, and tallies them. */
class Generator {
public:
    Generator(quint64 seed, int clientCount) : m_random(seed) {
        makeClients(clientCount);
        m_tally.setClientCount(clientCount);
        m_out.reserve(OutputChunk + 4096);
        m_in[RC5] = m_random.between(20000, 80000);
        m_in[OGR] = m_random.between(200, 800);
    }

    Tally& tally() { return m_tally; }
    /** The index under which lines are dated date. */
    int addDate(const std::string& date) { return m_tally.dayIndex(date); }
    const std::vector<Client>& clients() const { return m_clients; }
    std::string& output() { return m_out; }
    static constexpr size_t OutputChunk = 1 << 20;

    /** The start-up lines of the proxy, then the events. */
    void writeStartLine(int day, int second, int which) {
        beginLine(day, second);
        if (which == 0)
            put("Proxy v2.4 build 318 starting, pid ").putNumber(m_random.between(300, 32000));
        else
            put("listening on port 2064");
        endLine();
    }

    void writeEventLine(int day, int second) {
        beginLine(day, second);
        const quint32 roll = m_random.below(1000);
        if (m_listeningNext) {
            put("listening on port 2064");
            m_listeningNext = false;
        } else if (roll < 850)
            clientEvent(day, second);
        else if (roll < 910)
            bufferStatus();
        else if (roll < 980)
            serverEvent();
        else
            otherEvent();
        endLine();
    }

private:
    /** Mostly dotted addresses on a few home networks, some plain host names; all distinct. */
    void makeClients(int count) {
        std::set<std::string> used;
        m_clients.reserve(size_t(count));
        const quint32 networks = LanPrefixCount + quint32(count) / 150;
        for (int i = 0; i < count; ++i) {
            Client client;
            do {
                if (m_random.chance(15)) {
                    client.name = HostWords[m_random.below(HostWordCount)];
                    client.name += std::to_string(m_random.between(1, 99 + quint32(count)));
                } else {
                    const quint32 net = m_random.below(networks);
                    if (net < LanPrefixCount)
                        client.name = LanPrefixes[net];
                    else
                        client.name = "10." + std::to_string((net - LanPrefixCount) / 256) + "." +
                                      std::to_string((net - LanPrefixCount) % 256) + ".";
                    client.name += std::to_string(m_random.between(2, 254));
                }
            } while (!used.insert(client.name).second);
            const quint32 kind = m_random.below(10);
            client.doesRC5 = kind < 8;
            client.doesOGR = kind >= 6;
            client.weight =
                m_random.chance(10) ? m_random.between(20, 60) : m_random.between(1, 10);
            m_weightTotal += client.weight;
            m_cumulative.push_back(m_weightTotal);
            m_clients.push_back(std::move(client));
        }
    }

    int pickClient() {
        const quint32 target = m_random.below(m_weightTotal);
        size_t lo = 0, hi = m_cumulative.size() - 1;
        while (lo < hi) {
            const size_t mid = (lo + hi) / 2;
            if (m_cumulative[mid] > target)
                hi = mid;
            else
                lo = mid + 1;
        }
        return int(lo);
    }

    /** Block counts as clients ask for them: mostly powers of two, else anything up to 64. */
    quint32 blockCount() {
        return m_random.chance(40) ? 1u << m_random.below(7) : m_random.between(1, 64);
    }

    void clientEvent(int day, int second) {
        const int index = pickClient();
        const Client& client = m_clients[size_t(index)];
        const bool rc5 = client.doesRC5 && (!client.doesOGR || m_random.chance(50));
        if (rc5) {
            const quint32 n = blockCount();
            put("Client ").put(client.name);
            if (m_random.chance(52)) {
                put(" --> sent rc5 ").putNumber(n).put(" blocks");
                m_outBuf[RC5] += n;
                m_tally.count(RC5, index, day, second, n);
            } else {
                put(" <-- got rc5 ").putNumber(n).put(" blocks");
                m_in[RC5] = m_in[RC5] > n ? m_in[RC5] - n : 0;
            }
        } else if (m_random.chance(25)) {
            const quint32 n = m_random.between(1, 4);
            put("Client ").put(client.name).put(" <-- got ogr ").putNumber(n).put(" stubs");
            m_in[OGR] = m_in[OGR] > n ? m_in[OGR] - n : 0;
        } else {
            put(client.name).put(": completed ogr stub 25/");
            for (int mark = 0; mark < 5; ++mark) {
                if (mark)
                    put("-");
                putNumber(m_random.between(1, 30));
            }
            const quint32 mnodes = m_random.between(20000, 900000);
            put(" (")
                .putNumber(mnodes / 100)
                .put(".")
                .putTwoDigits(int(mnodes % 100))
                .put(" Mnodes)");
            m_outBuf[OGR] += 1;
            m_tally.count(OGR, index, day, second, 1);
        }
    }

    void bufferStatus() {
        const int p = m_random.chance(60) ? RC5 : OGR;
        put(p == RC5 ? "rc564 r=" : "ogr r=").putNumber(m_in[p]).put(", w=").putNumber(m_outBuf[p]);
        m_tally.buffers(p, m_in[p], m_outBuf[p]);
    }

    /** The proxy refills a low in-buffer from the server, else flushes what clients returned. */
    void serverEvent() {
        const int p = m_random.chance(65) ? RC5 : OGR;
        const char* what = p == RC5 ? "rc5 blocks: " : "ogr stubs: ";
        if (m_in[p] < (p == RC5 ? 20000u : 200u)) {
            const quint32 n = p == RC5 ? 1024u << m_random.below(4) : 16u << m_random.below(3);
            put("server --> fetch of ").put(what).putNumber(n);
            m_in[p] += n;
        } else if (m_outBuf[p] > 0) {
            put("server <-- flush of ").put(what).putNumber(m_outBuf[p]);
            m_tally.uplink(p, p == RC5 ? qint64(m_outBuf[p]) : 1);
            m_outBuf[p] = 0;
        } else {
            otherEvent();
        }
    }

    /** Mostly warnings; now and then the proxy restarts, and says so in two lines. */
    void otherEvent() {
        const quint32 roll = m_random.below(1000);
        if (roll < 450) {
            put("warning: keyserver did not answer, retrying in ")
                .putNumber(m_random.between(1, 6) * 30)
                .put(" s");
        } else if (roll < 800) {
            put("warning: client ")
                .put(m_clients[size_t(pickClient())].name)
                .put(" closed the connection early");
        } else if (roll < 995) {
            put("rc5 buffer below ")
                .putNumber(1000u << m_random.below(4))
                .put(" blocks, asking the keyserver");
        } else {
            put("Proxy v2.4 build 318 starting, pid ").putNumber(m_random.between(300, 32000));
            m_listeningNext = true;
        }
    }

    void beginLine(int day, int second) {
        put(m_tally.date(day)).put(" ");
        appendTimeText(m_out, second);
        put(" ");
        m_tally.line(day, second);
    }
    void endLine() { put("\r\r\n"); }

    Generator& put(const char* text) {
        m_out.append(text);
        return *this;
    }
    Generator& put(const std::string& text) {
        m_out.append(text);
        return *this;
    }
    Generator& putTwoDigits(int value) {
        appendTwoDigits(m_out, value);
        return *this;
    }
    Generator& putNumber(quint64 value) {
        char digits[20];
        int n = 0;
        do {
            digits[sizeof digits - 1 - n++] = char('0' + value % 10);
            value /= 10;
        } while (value);
        m_out.append(digits + sizeof digits - n, size_t(n));
        return *this;
    }

    Random m_random;
    Tally m_tally;
    std::vector<Client> m_clients;
    std::vector<quint32> m_cumulative;
    quint32 m_weightTotal = 0;
    std::string m_out;
    quint32 m_in[2] = {0, 0};
    quint32 m_outBuf[2] = {0, 0};
    bool m_listeningNext = false;
};

bool writeOut(QFile& file, std::string& out) {
    const bool ok = file.write(out.data(), qint64(out.size())) == qint64(out.size());
    out.clear();
    return ok;
}

int fail(const QString& message) {
    std::fprintf(stderr, "conlog-sim: %s\n", qPrintable(message));
    return 1;
}

/** N lines over days ending at end, times spread evenly over each day. */
int writeAtOnce(Generator& generator, QFile& file, qint64 lines, int days, const QDate& end) {
    std::vector<int> dayIndex;
    for (int d = 0; d < days; ++d)
        dayIndex.push_back(generator.addDate(dateText(end.addDays(d - days + 1))));
    qint64 written = 0;
    for (int d = 0; d < days; ++d) {
        const qint64 begin = lines * d / days;
        const qint64 count = lines * (d + 1) / days - begin;
        for (qint64 j = 0; j < count; ++j) {
            const int second = int(j * 86400 / count);
            if (written < 2)
                generator.writeStartLine(dayIndex[size_t(d)], second, int(written));
            else
                generator.writeEventLine(dayIndex[size_t(d)], second);
            ++written;
            if (generator.output().size() >= Generator::OutputChunk &&
                !writeOut(file, generator.output()))
                return fail(QStringLiteral("cannot write %1").arg(file.fileName()));
        }
    }
    if (!writeOut(file, generator.output()))
        return fail(QStringLiteral("cannot write %1").arg(file.fileName()));
    return 0;
}

/** Lines dated now at rate per second, one flushed batch every 100 ms. */
int appendLive(Generator& generator, QFile& file, double rate, double duration, qint64 maxLines) {
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    QElapsedTimer clock;
    clock.start();
    qint64 written = 0;
    for (int tick = 1; !g_stopRequested; ++tick) {
        const double elapsed = double(clock.nsecsElapsed()) / 1e9;
        const bool last = duration > 0 && elapsed >= duration;
        qint64 due = qint64(rate * (last ? duration : elapsed));
        if (maxLines >= 0 && due > maxLines)
            due = maxLines;
        if (due > written) {
            const QDateTime now = QDateTime::currentDateTime();
            const int day = generator.addDate(dateText(now.date()));
            const int second = now.time().msecsSinceStartOfDay() / 1000;
            for (; written < due; ++written)
                generator.writeEventLine(day, second);
            if (!writeOut(file, generator.output()) || !file.flush())
                return fail(QStringLiteral("cannot write %1").arg(file.fileName()));
        }
        if (last || (maxLines >= 0 && written >= maxLines))
            break;
        const qint64 wait = qint64(tick) * 100 - clock.elapsed();
        if (wait > 0)
            QThread::msleep(quint64(wait));
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("conlog-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes a realistic proxy connection log."));
    parser.addHelpOption();
    const QCommandLineOption linesOption(QStringLiteral("lines"), QStringLiteral("Lines to write."),
                                         QStringLiteral("N"));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed (default 1)."),
                                        QStringLiteral("S"), QStringLiteral("1"));
    const QCommandLineOption clientsOption(QStringLiteral("clients"),
                                           QStringLiteral("Client machines (default 20)."),
                                           QStringLiteral("C"), QStringLiteral("20"));
    const QCommandLineOption daysOption(QStringLiteral("days"),
                                        QStringLiteral("Days the log spans (default 7)."),
                                        QStringLiteral("D"), QStringLiteral("7"));
    const QCommandLineOption endOption(QStringLiteral("end-date"),
                                       QStringLiteral("Last day (default today)."),
                                       QStringLiteral("MM/DD/YY"));
    const QCommandLineOption appendOption(QStringLiteral("append"),
                                          QStringLiteral("Append live lines dated now."));
    const QCommandLineOption rateOption(QStringLiteral("rate"),
                                        QStringLiteral("Live lines per second."),
                                        QStringLiteral("LINES_PER_SEC"));
    const QCommandLineOption durationOption(
        QStringLiteral("duration"), QStringLiteral("Stop live appending after SEC seconds."),
        QStringLiteral("SEC"));
    const QCommandLineOption expectOption(QStringLiteral("expect"),
                                          QStringLiteral("Print the expected counts to stdout."));
    parser.addOptions({linesOption, seedOption, clientsOption, daysOption, endOption, appendOption,
                       rateOption, durationOption, expectOption});
    parser.addPositionalArgument(QStringLiteral("out.log"),
                                 QStringLiteral("The log file to write."));
    parser.process(app);

    if (parser.positionalArguments().size() != 1)
        return fail(QStringLiteral("exactly one output file expected (see --help)"));
    const QString path = parser.positionalArguments().constFirst();

    bool ok = true;
    const auto number = [&](const QCommandLineOption& option, qint64 low) {
        bool valid = false;
        const qint64 value = parser.value(option).toLongLong(&valid);
        if (!valid || value < low)
            ok = false;
        return value;
    };
    const quint64 seed = quint64(number(seedOption, 0));
    const int clients = int(number(clientsOption, 1));
    if (!ok || clients > 100000)
        return fail(
            QStringLiteral("--seed and --clients take whole numbers (1 to 100000 clients)"));

    Generator generator(seed, clients);
    const bool append = parser.isSet(appendOption);
    QFile file(path);
    const QIODevice::OpenMode mode = append ? QIODevice::WriteOnly | QIODevice::Append
                                            : QIODevice::WriteOnly | QIODevice::Truncate;
    int result = 0;
    if (append) {
        const double rate = parser.value(rateOption).toDouble(&ok);
        if (!ok || rate <= 0)
            return fail(QStringLiteral("--append needs --rate LINES_PER_SEC above 0"));
        double duration = 0;
        if (parser.isSet(durationOption)) {
            duration = parser.value(durationOption).toDouble(&ok);
            if (!ok || duration <= 0)
                return fail(QStringLiteral("--duration takes seconds above 0"));
        }
        const qint64 maxLines = parser.isSet(linesOption) ? number(linesOption, 0) : -1;
        if (!ok)
            return fail(QStringLiteral("--lines takes a whole number"));
        if (!file.open(mode | QIODevice::Unbuffered))
            return fail(QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
        result = appendLive(generator, file, rate, duration, maxLines);
    } else {
        if (!parser.isSet(linesOption))
            return fail(QStringLiteral("--lines N is needed (or --append --rate)"));
        const qint64 lines = number(linesOption, 0);
        const int days = int(number(daysOption, 1));
        if (!ok || days > 36500)
            return fail(QStringLiteral("--lines and --days take whole numbers (1 to 36500 days)"));
        QDate end = QDate::currentDate();
        if (parser.isSet(endOption)) {
            end = QDate::fromString(parser.value(endOption), QStringLiteral("MM/dd/yy"));
            if (!end.isValid())
                return fail(QStringLiteral("--end-date takes MM/DD/YY"));
            if (end.year() < 2000)
                end = end.addYears(100); // two-digit years are this century
        }
        if (!file.open(mode | QIODevice::Unbuffered))
            return fail(QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
        result = writeAtOnce(generator, file, lines, days, end);
    }
    file.close();
    if (result == 0 && parser.isSet(expectOption))
        generator.tally().print(generator.clients(), stdout);
    return result;
}
