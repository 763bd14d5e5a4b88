// The edit masks: any mask text and any value must fit, show and read back
// without crashing, and a fitted value must survive display and read-back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "configuration/edit_mask.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString all = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype cut = all.indexOf(QChar(u'\n'));
    const QString maskText = cut < 0 ? all : all.left(cut);
    const QString value = cut < 0 ? QString() : all.mid(cut + 1);
    const korvel::EditMask mask(maskText);
    const QString fitted = mask.fit(value);
    (void)mask.width();
    (void)mask.emptyValue();
    (void)mask.toQtInputMask();
    const QString shown = mask.displayFromValue(fitted);
    (void)mask.valueFromDisplay(shown);
    return 0;
}
