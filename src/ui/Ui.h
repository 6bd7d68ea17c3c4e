#pragma once

// The web console: its server, security and JSON API.
#include "ui/ConsoleConfig.h"
#include "ui/ConsoleHost.h"
#include "ui/ConsolePassword.h"
#include "ui/ConsoleServer.h"
#include "ui/ConsoleStart.h"
