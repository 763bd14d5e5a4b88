#include "cli/view_events.h"

#include <QFileInfo>

#include "station/device_recorder.h"
#include "station/port_identity.h"

namespace korvel::cli {

QString viewSlotName(const QString& port) {
    const QString identity = store::stablePortName(port);
    return identity.isEmpty() ? QFileInfo(port).fileName() : identity;
}

void ViewEvents::line(const QString& port, LineKind kind, const QString& text) {
    if (kind == LineKind::Error) board_.errorLine(port, text);
}

void ViewEvents::progress(const QString& port, std::optional<ChainLink>, const ProgressMark& mark) {
    board_.progress(port, mark.percent);
}

void ViewEvents::linkBegins(const QString& port, ChainLink link, int attempt) {
    // The chain's first link: a new device in the slot.
    if (link == ChainLink::Identify && attempt == 1) board_.deviceBegins(port, viewSlotName(port));
    board_.linkBegins(port, QString::fromLatin1(chainLinkName(link)), attempt);
}

void ViewEvents::linkEnds(const QString& port, ChainLink link, const LinkEnd& end) {
    const Outcome* o = end.outcome;
    board_.linkEnds(port, QString::fromLatin1(chainLinkName(link)), end.record.outcome, o ? o->moduleType : QString(),
                    o ? o->coreVersion : QString(),
                    o ? store::applicationVersionText(o->applicationVersion) : QString());
}

void ViewEvents::deviceEnds(const store::ProductionRecord& record) { board_.deviceEnds(record); }

}  // namespace korvel::cli
