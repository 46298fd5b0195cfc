#pragma once

#include <QIcon>

// The program's icon (resource 128): a web page being packed into one
// archive box. Drawn at every size, so it stays sharp in title bars and docks.
QIcon LoadAppIcon();
