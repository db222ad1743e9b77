// What the command line needs to know of its console.
#pragma once

// Whether standard error is a terminal (a progress line then makes sense there).
bool IsStderrTerminal();
