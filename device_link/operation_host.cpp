#include "operation_host.h"

namespace korvel {

const char* controlObjectName(Control control) {
    switch (control) {
        case Control::PortChoice: return "COMPort";
        case Control::WriteConfiguration: return "SaveConfig";
        case Control::ReadConfiguration: return "ReadConfig";
        case Control::ResetController: return "ResetCntrl";
        case Control::Gprs2Period: return "GPRS2_Period";
        case Control::Gprs3Address: return "GPRS3_IP_Edit";
    }
    return "";
}

}  // namespace korvel
