#include "platform/Console.h"

#include <unistd.h>

bool IsStderrTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}
