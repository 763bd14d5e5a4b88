#include "station/view_server.h"

#include <httplib.h>

#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <chrono>

#include "station/record_format.h"

// The page lives in the station library's resources; a static library's
// resources are registered by hand.
static void registerViewPage() { Q_INIT_RESOURCE(view); }

namespace korvel::store {

namespace {

using namespace std::chrono;

QByteArray resource(const char* name) {
    QFile f(QStringLiteral(":/station_view/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void content(httplib::Response& res, const QByteArray& body, const char* type) {
    res.set_header("Cache-Control", "no-store");
    res.set_content(body.constData(), std::size_t(body.size()), type);
}

bool sameToken(const std::string& given, const std::string& token) {
    // Time does not tell how much of it was right.
    unsigned diff = unsigned(given.size() ^ token.size());
    for (std::size_t i = 0; i < token.size(); ++i) diff |= unsigned(char(i < given.size() ? given[i] : 0) ^ token[i]);
    return diff == 0;
}

}  // namespace

std::optional<ViewAddress> parseViewAddress(const QString& text) {
    static const QRegularExpression form(QStringLiteral(R"(^(?:(\[[0-9A-Fa-f:.]+\]|[^:\[\]]+):)?(\d{1,5})$)"));
    const auto m = form.match(text);
    if (!m.hasMatch()) return std::nullopt;
    ViewAddress a;
    a.port = m.captured(2).toInt();
    if (a.port < 1 || a.port > 65535) return std::nullopt;
    QString host = m.captured(1);
    if (host.startsWith(u'[')) host = host.mid(1, host.size() - 2);
    if (!host.isEmpty()) a.host = host;
    return a;
}

bool loopbackHost(const QString& host) {
    static const QRegularExpression ipv4(QStringLiteral(R"(^127\.\d{1,3}\.\d{1,3}\.\d{1,3}$)"));
    return host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0 || host == QStringLiteral("::1") ||
           ipv4.match(host).hasMatch();
}

QString newViewToken() {
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    QString token;
    for (quint32 w : words) token += QStringLiteral("%1").arg(w, 8, 16, QLatin1Char('0'));
    return token;
}

struct ViewServer::Impl {
    LiveState& state;
    StationStore* records;
    httplib::Server server;
    std::string token;
    std::atomic<int> streams{0};
    std::atomic<bool> stopping{false};

    Impl(LiveState& s, StationStore* r) : state(s), records(r) {}

    bool authorized(const httplib::Request& req) const {
        if (token.empty()) return true;
        if (req.has_param("token")) return sameToken(req.get_param_value("token"), token);
        const std::string auth = req.get_header_value("Authorization");
        if (auth.rfind("Bearer ", 0) == 0) return sameToken(auth.substr(7), token);
        // The page's own style and script come with the cookie its load set.
        const std::string cookies = "; " + req.get_header_value("Cookie");
        const std::size_t at = cookies.find("; korvel_view=");
        if (at == std::string::npos) return false;
        const std::size_t from = at + 14;
        return sameToken(cookies.substr(from, cookies.find(';', from) - from), token);
    }

    void routes();
    void stream(httplib::Response& res);
    void exportRecords(const httplib::Request& req, httplib::Response& res, bool csv);
};

void ViewServer::Impl::routes() {
    server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        res.set_header("X-Content-Type-Options", "nosniff");
        res.set_header("Content-Security-Policy", "default-src 'self'; img-src 'self' data:");
        if (authorized(req)) {
            if (req.has_param("token"))
                res.set_header("Set-Cookie", "korvel_view=" + token + "; HttpOnly; SameSite=Strict; Path=/");
            return httplib::Server::HandlerResponse::Unhandled;
        }
        res.status = 401;
        content(res, QStringLiteral("Нужен ключ доступа: адрес страницы с ?token=КЛЮЧ\n").toUtf8(),
                "text/plain; charset=utf-8");
        return httplib::Server::HandlerResponse::Handled;
    });
    server.Get("/", [](const httplib::Request&, httplib::Response& res) {
        content(res, resource("index.html"), "text/html; charset=utf-8");
    });
    server.Get("/view.js", [](const httplib::Request&, httplib::Response& res) {
        content(res, resource("view.js"), "application/javascript; charset=utf-8");
    });
    server.Get("/view.css", [](const httplib::Request&, httplib::Response& res) {
        content(res, resource("view.css"), "text/css; charset=utf-8");
    });
    server.Get("/state", [this](const httplib::Request&, httplib::Response& res) {
        content(res, state.snapshot().json, "application/json");
    });
    server.Get("/events", [this](const httplib::Request&, httplib::Response& res) { stream(res); });
    server.Get(R"(/device/(\d{1,12}))", [this](const httplib::Request& req, httplib::Response& res) {
        const auto record = state.device(std::stoll(req.matches[1].str()));
        if (!record) res.status = 404;
        else content(res, *record, "application/json");
    });
    server.Get("/records.csv", [this](const httplib::Request& req, httplib::Response& res) {
        exportRecords(req, res, true);
    });
    server.Get("/records.jsonl", [this](const httplib::Request& req, httplib::Response& res) {
        exportRecords(req, res, false);
    });
}

// One event stream: the whole state at the start and after each change (at
// most every kViewPushGapMs), a beat every two seconds with the station's
// time so that the page tells a lost station within a few seconds.
void ViewServer::Impl::stream(httplib::Response& res) {
    if (streams.fetch_add(1) >= kMaxViewStreams) {
        streams.fetch_sub(1);
        res.status = 503;
        return;
    }
    res.set_header("Cache-Control", "no-store");
    struct Seen {
        quint64 version = 0;
        steady_clock::time_point sent, beat;
    };
    auto seen = std::make_shared<Seen>();
    res.set_chunked_content_provider(
        "text/event-stream",
        [this, seen](std::size_t, httplib::DataSink& sink) {
            if (stopping) return false;
            const auto now = steady_clock::now();
            if (now - seen->sent < milliseconds(kViewPushGapMs))
                std::this_thread::sleep_for(milliseconds(kViewPushGapMs) - (now - seen->sent));
            std::string out;
            if (seen->version == 0 || state.waitNewer(seen->version, milliseconds(500))) {
                const LiveState::Snapshot s = state.snapshot();
                if (seen->version == 0) out = "retry: 1000\n";
                out += "event: state\ndata: " + s.json.toStdString() + "\n\n";
                seen->version = s.version;
                seen->sent = steady_clock::now();
            }
            if (steady_clock::now() - seen->beat > seconds(2)) {
                out += "event: beat\ndata: {\"now\":\"" + isoTime(QDateTime::currentDateTimeUtc()).toStdString() +
                       "\"}\n\n";
                seen->beat = steady_clock::now();
            }
            return out.empty() || sink.write(out.data(), out.size());
        },
        [this](bool) { streams.fetch_sub(1); });
}

void ViewServer::Impl::exportRecords(const httplib::Request& req, httplib::Response& res, bool csv) {
    if (!records) {
        res.status = 404;
        return;
    }
    const QDateTime since = req.has_param("since") ? fromIsoTime(QString::fromStdString(req.get_param_value("since")))
                                                   : QDateTime();
    const auto exported = records->exportRecords(since);
    if (!exported) {
        res.status = 503;
        content(res, storeErrorSummary(exported.error).toUtf8(), "text/plain; charset=utf-8");
        return;
    }
    const char* name = csv ? "attachment; filename=\"records.csv\"" : "attachment; filename=\"records.jsonl\"";
    res.set_header("Content-Disposition", name);
    if (csv) content(res, recordsToCsv(*exported), "text/csv; charset=utf-8");
    else content(res, recordsToJsonLines(*exported), "application/x-ndjson; charset=utf-8");
}

ViewServer::ViewServer(LiveState& state, StationStore* records) : impl_(std::make_unique<Impl>(state, records)) {
    registerViewPage();
}

ViewServer::~ViewServer() { stop(); }

QString ViewServer::start(const ViewAddress& address, const QString& token) {
    httplib::Server& s = impl_->server;
    impl_->token = token.toStdString();
    s.new_task_queue = [] { return new httplib::ThreadPool(kViewThreads); };
    s.set_payload_max_length(4096);
    s.set_read_timeout(5, 0);
    s.set_write_timeout(5, 0);
    s.set_keep_alive_max_count(50);
    s.set_keep_alive_timeout(5);
    impl_->routes();
    if (!s.bind_to_port(address.host.toStdString(), address.port))
        return QStringLiteral("не удалось слушать %1:%2").arg(address.host).arg(address.port);
    listening_ = std::thread([this] { impl_->server.listen_after_bind(); });
    return QString();
}

void ViewServer::stop() {
    if (!listening_.joinable()) return;
    impl_->stopping = true;
    impl_->state.wakeAll();
    impl_->server.stop();
    listening_.join();
}

}  // namespace korvel::store
