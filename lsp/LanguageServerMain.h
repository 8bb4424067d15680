#pragma once

#include "ServerSettings.h"

// Runs the language server on standard input and output until the editor
// says exit or closes standard input; returns the exit status: 0 after a
// shutdown request, 1 otherwise, as the protocol has it. Needs a
// QCoreApplication.
int runLanguageServer(const ServerSettings& settings);
