#include "cli/station_view.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include "cli/json_lines.h"
#include "cli/terminal_host.h"
#include "cli/view_events.h"
#include "station/line_board.h"
#include "station/slot_publisher.h"
#include "station/view_server.h"
#include "texts/store_texts.h"

namespace korvel::cli {

namespace {

// Where to listen and the token asked, from the options; false when they are wrong.
bool viewAddress(const ViewOptions& o, store::ViewAddress& address, QString& token, QString& error) {
    const auto parsed = store::parseViewAddress(o.http);
    if (!parsed) {
        error = QStringLiteral("--http [АДРЕС:]ПОРТ, ПОРТ от 1 до 65535: %1").arg(o.http);
        return false;
    }
    address = *parsed;
    token = o.token;
    if (token.isEmpty() && !store::loopbackHost(address.host)) token = store::newViewToken();
    return true;
}

void tellAddress(const char* what, const store::ViewAddress& address, const QString& token) {
    const QString host = address.host.contains(u':') ? u'[' + address.host + u']' : address.host;
    QString url = QStringLiteral("http://%1:%2/").arg(host).arg(address.port);
    if (!token.isEmpty()) url += QStringLiteral("?token=") + token;
    tell("notice", {{"notice", "view"}, {"url", url}}, QStringLiteral("%1: %2").arg(QString::fromUtf8(what), url));
}

std::atomic<bool> boardStop{false};
extern "C" void onBoardInterrupt(int) { boardStop = true; }

}  // namespace

struct StationView::Parts {
    explicit Parts(const QString& station) : board(station), events(board) {}
    store::SlotBoard board;
    ViewEvents events;
    std::unique_ptr<store::StationStore> publishing, reading;
    std::unique_ptr<store::SlotPublisher> publisher;
    std::unique_ptr<store::ViewServer> server;
};

StationView::StationView(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}
StationView::~StationView() {
    // The server first: no browser reads what is being taken down.
    parts_->server.reset();
    parts_->publisher.reset();
}

Events* StationView::events() { return &parts_->events; }

std::unique_ptr<StationView> StationView::start(const ViewOptions& o, const QString& station,
                                                const QStringList& ports, QString& error) {
    error.clear();
    store::ViewAddress address;
    QString token;
    if (!o.http.isEmpty() && !viewAddress(o, address, token, error)) return nullptr;
    auto parts = std::make_unique<Parts>(station);
    QStringList slotList;
    for (const QString& p : ports) slotList << viewSlotName(p);
    parts->board.setPorts(ports, slotList);
    // Connections of the view's own: the devices never wait for its reads
    // and writes.  The slots go into the store for the line's board whether
    // this station serves its page or not.
    store::StoreError why;
    parts->publishing = store::openStationStore(o.store, why);
    if (parts->publishing)
        parts->publisher = std::make_unique<store::SlotPublisher>(parts->board, *parts->publishing, station);
    if (o.http.isEmpty()) return std::unique_ptr<StationView>(new StationView(std::move(parts)));
    store::StoreError notOpened;
    parts->reading = store::openStationStore(o.store, notOpened);
    if (!parts->reading) {
        error = storeErrorText(notOpened);
        return nullptr;
    }
    parts->server = std::make_unique<store::ViewServer>(parts->board, parts->reading.get());
    error = parts->server->start(address, token);
    if (!error.isEmpty()) return nullptr;
    tellAddress("вид станции", address, token);
    return std::unique_ptr<StationView>(new StationView(std::move(parts)));
}

int boardCommand(const ViewOptions& o) {
    if (o.http.isEmpty()) return usage(QStringLiteral("board: нужен --http [АДРЕС:]ПОРТ"));
    store::ViewAddress address;
    QString token, error;
    if (!viewAddress(o, address, token, error)) return usage(QStringLiteral("board: %1").arg(error));
    store::StoreError notOpened;
    const auto s = store::openStationStore(o.store, notOpened);
    if (!s) return usage(QStringLiteral("board: база станции: %1").arg(storeErrorText(notOpened)));
    store::LineBoard board(*s);
    store::ViewServer server(board, s.get());
    error = server.start(address, token);
    if (!error.isEmpty()) return usage(QStringLiteral("board: %1").arg(error));
    tellAddress("вид линии", address, token);
    std::signal(SIGINT, onBoardInterrupt);
    std::signal(SIGTERM, onBoardInterrupt);
    while (!boardStop) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    server.stop();
    return kDone;
}

}  // namespace korvel::cli
