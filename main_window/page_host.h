// What a page's handlers use of the window around them: the context a device
// operation runs in (the window as its sink, the ports, the clock), the
// window's dialogs, the configuration form, and the guard every handler runs
// its work through.  A page reaches nothing else of the window, so its
// handlers are written in its own file alone.
#pragma once

#include <QString>
#include <functional>

#include "device_link/operation_context.h"

namespace korvel {

class ConfigForm;
class Dialogs;

class PageHost {
public:
    virtual ~PageHost() = default;

    // The context a device operation of the page with this progress bar
    // runs in: the window, the ports, the clock.
    virtual OperationContext context(ProgressRole role) = 0;
    // The window as the operations see it (status line, logs, boxes, the
    // progress bar of `role`).
    virtual OperationSink& sink(ProgressRole role) = 0;
    virtual Dialogs& dialogs() = 0;
    // The configuration page's fields and tables as the operations see them.
    virtual ConfigForm& configForm() = 0;
    // The station store the production page records its devices in (as
    // korvel-cli's --store takes it; empty: the default file).
    virtual QString productionStore() const { return QString(); }

    // Runs one event handler: an exception that escapes it is shown in an
    // error box captioned with the application title, and the window stays
    // usable.
    virtual void runGuarded(const std::function<void()>& handler) = 0;
    // runGuarded for a device operation: a close asked for meanwhile waits
    // until the operation has ended, and while one runs, another does not
    // start (the call returns without running `handler`).
    virtual void runOperation(const std::function<void()>& handler) = 0;
};

}  // namespace korvel
