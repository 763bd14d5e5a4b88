#include "operations/device_operations.h"

#include <cstring>

#include "device_link/controller_reset.h"
#include "production/module_operations.h"

namespace korvel {

const std::vector<DeviceOperation>& deviceOperations() {
    static const std::vector<DeviceOperation> rows = {
        {"ResetCntrl", "Сброс", "reset", "reset --port P", "сброс контроллера", Needs::PortOnly,
         Learns::Nothing, {},
         [](OperationContext& ctx, const OperationInput&) { return resetController(ctx); }},
        {"Hw_Sw_Identification", "Идентификация", "identify",
         "identify --port P", "тип модуля и версия ПО ядра", Needs::PortOnly, Learns::ModuleIdentity,
         {Page::Production, 536, 76, 193, "FW_Info"},
         [](OperationContext& ctx, const OperationInput&) { return identifyModule(ctx); }},
        {"Application_Delete", "Удаление приложения", nullptr, nullptr, nullptr, Needs::PortOnly,
         Learns::Nothing, {Page::Production, 208, 108, 193, "open_FW_files"},
         [](OperationContext& ctx, const OperationInput&) { return deleteApplication(ctx); }},
        {"Application_Start", "Старт приложения", nullptr, nullptr, nullptr, Needs::PortOnly,
         Learns::Nothing, {Page::Production, 8, 280, 193, "Application_Save"},
         [](OperationContext& ctx, const OperationInput&) { return startApplication(ctx); }},
        {"Save_Serial_Number", "Записать серийный номер", nullptr, nullptr, nullptr, Needs::SerialNumber,
         Learns::Nothing, {Page::Production, 128, 330, 193, "SerialNumberEdit"},
         [](OperationContext& ctx, const OperationInput& in) {
             return programSerialNumber(ctx, in.serialNumber);
         }},
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
