#include "operations/device_operations.h"

#include <cstring>

#include "device_link/controller_reset.h"
#include "production/module_operations.h"

namespace korvel {

const std::vector<DeviceOperation>& deviceOperations() {
    static const std::vector<DeviceOperation> rows = {
        {"ResetCntrl", "Сброс", "reset", Needs::PortOnly,
         [](OperationContext& ctx, const OperationInput&) { return resetController(ctx); }},
        {"Hw_Sw_Identification", "Идентификация", "identify", Needs::PortOnly,
         [](OperationContext& ctx, const OperationInput&) { return identifyModule(ctx); }},
        {"Application_Delete", "Удаление приложения", nullptr, Needs::PortOnly,
         [](OperationContext& ctx, const OperationInput&) { return deleteApplication(ctx); }},
        {"Application_Start", "Старт приложения", nullptr, Needs::PortOnly,
         [](OperationContext& ctx, const OperationInput&) { return startApplication(ctx); }},
        {"Save_Serial_Number", "Записать серийный номер", nullptr, Needs::SerialNumber,
         [](OperationContext& ctx, const OperationInput& in) { return programSerialNumber(ctx, in.serialNumber); }},
    };
    return rows;
}

const DeviceOperation* operationNamed(const char* objectName) {
    for (const DeviceOperation& op : deviceOperations())
        if (std::strcmp(op.objectName, objectName) == 0) return &op;
    return nullptr;
}

const DeviceOperation* operationOfVerb(const QString& verb) {
    for (const DeviceOperation& op : deviceOperations())
        if (op.verb && verb == QLatin1String(op.verb)) return &op;
    return nullptr;
}

}  // namespace korvel
