// One line per port on stdout for the production station, each showing how
// its device's links ended, the link running with its progress, and at the
// end whether the device is done: redrawn in place on a terminal (`produce`
// and `station --watch`), or printed again at each change of link otherwise
// (`station --watch` into a file or a pipe).
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdio>

#include "cli/events.h"

namespace korvel::cli {

class LiveLines : public LockedEvents {
public:
    // `redraw`: stdout takes cursor movements (see takesCursorControl).
    LiveLines(std::FILE* out, bool redraw) : out_(out), redraw_(redraw) {}
    // The ports' lines in this order, whichever device tells first.
    void setPorts(const QStringList& ports);

private:
    void showProgress(const QString& port, std::optional<ChainLink> link, const ProgressMark& mark) override;
    void showLinkBegins(const QString& port, ChainLink link, int attempt) override;
    void showLinkEnds(const QString& port, ChainLink link, const LinkEnd& end) override;
    void showDeviceEnds(const store::ProductionRecord& record) override;
    // Above the lines on a terminal, else on stderr.
    void showNotice(Notice notice, const QString& text) override;

    // What one port's line shows.
    struct PortLine {
        QStringList ended;  // "identify=ok", "start=okx2"
        QString running;    // the link running, "boot" or "boot (попытка 2)"
        int percent = -1;   // its progress, when it has shown any
        QString end;        // done, or why not
    };
    QString text(const QString& port) const;
    // Shows the port's line after a change; `moved` when only its progress moved.
    void changed(const QString& port, bool moved = false);
    void redrawAll();
    void put(const QString& text);

    std::FILE* out_;
    bool redraw_;
    QStringList order_;  // the ports in the order they first showed
    QHash<QString, PortLine> lines_;
    int drawn_ = 0;      // lines on the screen above the cursor
    int portWidth_ = 0;  // the ports' column as drawn
};

}  // namespace korvel::cli
