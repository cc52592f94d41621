#include "app/AgendaCommand.h"

#include "calendar/Agenda.h"

CommandResult AgendaAlone(const Arguments& args)
{
    CommandResult result;
    result.exitCode = RunAgenda(args.at(0), args.at(1), args.at(2), result.line);
    return result;
}
