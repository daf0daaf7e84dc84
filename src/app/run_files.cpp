#include "app/run_files.h"

namespace qelt {

std::optional<unsigned> command_named(std::string_view name) {
    for (const CommandName& c : kCommands)
        if (name == c.name) return c.command;
    return std::nullopt;
}

const char* command_name(unsigned command) {
    for (const CommandName& c : kCommands)
        if (c.command == command) return c.name;
    return "";
}

const JobInput& job_input(DialogRole role) {
    for (const JobInput& input : kJobInputs)
        if (input.role == role) return input;
    return kJobInputs[0];
}

const DeliverableKind& deliverable(Deliverable file) {
    for (const DeliverableKind& d : kDeliverables)
        if (d.file == file) return d;
    return kDeliverables[0];
}

}  // namespace qelt
