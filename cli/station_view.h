// korvel-cli's view in the browser: `--http [ADDR:]PORT` on the station
// (`produce`, `station --watch`) serves its slots live, and `board` serves
// the line's board from the shared store.  Off loopback a token is asked
// (`--http-token`, or one made and told at the start).
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "cli/events.h"

namespace korvel::cli {

struct ViewOptions {
    QString http;   // "[ADDR:]PORT"; empty: no view
    QString token;  // --http-token
    QString store;  // --store as given: the view reads through connections of its own
};

class StationView {
public:
    // The station's slots kept in the store for the line's board and, with
    // `--http`, its view listening; none when the view cannot listen
    // (`error` says why).  `ports`: the station's ports when it is given them.
    static std::unique_ptr<StationView> start(const ViewOptions& options, const QString& station,
                                              const QStringList& ports, QString& error);
    ~StationView();
    // What the station's devices tell goes to the view through this.
    Events* events();

private:
    struct Parts;
    explicit StationView(std::unique_ptr<Parts> parts);
    std::unique_ptr<Parts> parts_;
};

// korvel-cli board: serves the line's board until Ctrl-C.  The exit code.
int boardCommand(const ViewOptions& options);

}  // namespace korvel::cli
