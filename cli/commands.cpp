#include "command.h"

namespace printune::cli {

const std::vector<Command>& AllCommands() {
    static const std::vector<Command> commands = [] {
        std::vector<Command> list;
        AddConnectionCommands(list);
        AddInterfaceCommands(list);
        AddLabelCommands(list);
        AddReceiptCommands(list);
        AddProfileCommands(list);
        AddFirmwareCommands(list);
        AddSendCommands(list);
        AddWirelessCommands(list);
        AddNetworkCommands(list);
        AddHtNetCommands(list);
        AddTestCommands(list);
        AddDoctorCommands(list);
        AddTraceCommands(list);
        return list;
    }();
    return commands;
}

} // namespace printune::cli
