#include "production/production_chain.h"

#include <optional>

#include "production/module_operations.h"

namespace korvel {

namespace {

// One table of the links: what each does with the state.
using LinkRun = Outcome (*)(OperationContext&, FileProbe&, ChainState&);

Outcome writeImage(OperationContext& ctx, ChainState& state, int index) {
    return writeProductionImage(ctx, state.images[static_cast<std::size_t>(index)]);
}

constexpr int kNoImage = -1;

const struct {
    ChainLink link;
    const char* name;
    LinkRun run;
    int image = kNoImage;  // the image it writes: its index in ChainState::images
} kLinks[kChainLinks] = {
    {ChainLink::Identify, "identify",
     [](OperationContext& ctx, FileProbe&, ChainState& state) {
         Outcome o = identifyModule(ctx);
         if (o.ok()) {
             state.moduleType = o.moduleType;
             state.coreVersion = o.coreVersion;
         }
         return o;
     }},
    {ChainLink::Files, "files",
     [](OperationContext& ctx, FileProbe& probe, ChainState& state) {
         return findChainImages(ctx.sink, probe, state);
     }},
    {ChainLink::Delete, "delete",
     [](OperationContext& ctx, FileProbe&, ChainState&) { return deleteApplication(ctx); }},
    {ChainLink::BootLoader, "boot",
     [](OperationContext& ctx, FileProbe&, ChainState& state) { return writeImage(ctx, state, 0); }, 0},
    {ChainLink::ModuleFirmware, "firmware",
     [](OperationContext& ctx, FileProbe&, ChainState& state) { return writeImage(ctx, state, 1); }, 1},
    {ChainLink::Application, "application",
     [](OperationContext& ctx, FileProbe&, ChainState& state) { return writeImage(ctx, state, 2); }, 2},
    {ChainLink::Start, "start",
     [](OperationContext& ctx, FileProbe&, ChainState&) { return startApplication(ctx); }},
    {ChainLink::SerialNumber, "serial",
     [](OperationContext& ctx, FileProbe&, ChainState& state) {
         return programSerialNumber(ctx, state.serialNumber);
     }},
};

}  // namespace

const char* chainLinkName(ChainLink link) { return kLinks[static_cast<int>(link)].name; }

std::optional<int> chainLinkImage(ChainLink link) {
    const int image = kLinks[static_cast<int>(link)].image;
    if (image == kNoImage) return std::nullopt;
    return image;
}

bool chainLinkRepeatable(ChainLink link, const Outcome& outcome) {
    if (link == ChainLink::SerialNumber) return !outcome.serialSent;
    return true;
}

Outcome findChainImages(OperationSink& sink, FileProbe& probe, ChainState& state) {
    const auto found = searchFirmwareFolder(sink, probe, state.folder, state.moduleType);
    Outcome o = Outcome::done();
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (found[i])
            state.images[i] = *found[i];
        else
            o = Outcome::ended(Result::FileProblem,
                               QString::fromLatin1(stage::kFolder));
    }
    return o;
}

std::vector<Outcome> runProductionChain(OperationContext& ctx, FileProbe& probe, ChainState& state,
                                        const ChainHooks& hooks) {
    std::vector<Outcome> outcomes;
    for (const auto& link : kLinks) {
        if (hooks.before) hooks.before(link.link);
        std::optional<Outcome> outcome;
        for (int attempt = 0; attempt <= hooks.retries; ++attempt) {
            if (attempt > 0 && (!outcome || outcome->ok() || !chainLinkRepeatable(link.link, *outcome))) break;
            std::optional<Outcome> tried;
            const std::function<void()> run = [&] { tried = link.run(ctx, probe, state); };
            if (hooks.around)
                hooks.around(link.link, run);
            else
                run();
            if (!tried && attempt > 0) break;  // the repeat did not run: the attempt before stands
            outcome = tried;
        }
        if (hooks.after) hooks.after(link.link, outcome ? &*outcome : nullptr);
        outcomes.push_back(outcome ? *outcome
                                   : Outcome::ended(Result::Incomplete, QString()));
    }
    return outcomes;
}

}  // namespace korvel
