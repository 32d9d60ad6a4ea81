#pragma once

class QCoreApplication;

// SIGTERM, SIGINT and SIGHUP quit the application through its event loop, so the normal
// shut-down runs. The handler only writes to a pipe; the quit happens on the main thread.
void quitOnTerminationSignals(QCoreApplication *app);
