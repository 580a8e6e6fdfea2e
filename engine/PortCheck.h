#pragma once
// The TCP port probe of the check round and the immediate check: can a connection to
// host:port be opened within the configured wait (gOptPortTimeOut seconds × attempt)?
// Every wait runs through the event loop, so timers and commands go on meanwhile. A probe
// never goes through a proxy: it asks whether the computer itself takes the connection.

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class QTcpSocket;

// One probe of host:port from the given attempt on, started at once and run by the event
// loop: a failed first attempt is tried once more with twice the wait, so a silent port
// costs about 3 × gOptPortTimeOut seconds and a refused one two short attempts. A blank
// host, a port outside 1..65535, or a wait that does not fit is a failure at once. Each
// probe uses its own socket, so probes run side by side and one started from inside
// another's wait never shares it.
class PortProbe : public QObject {
    Q_OBJECT
public:
    PortProbe(const QString& host, qint32 port, qint16 attempt = 1);
    ~PortProbe() override;

    // Waits with the event loop running until the probe is done; true when the connection
    // was established (it is closed again at once). When stop answers true the wait ends
    // at once and the probe counts as failed.
    bool Wait(const std::function<bool()>& stop = {});
    bool Done() const { return done_; }
    // How long ago the probe came to its result, in milliseconds (0 while it runs).
    qint64 DoneSinceMs() const { return done_ ? doneAt_.elapsed() : 0; }
    // The wait of one first attempt: gOptPortTimeOut seconds, at least one.
    static qint64 AttemptWaitMs();

private:
    void start(qint16 attempt);
    void failed();
    void finish(bool connected);

    QString host_;
    qint32 port_ = 0;
    qint16 attempt_ = 1;
    std::unique_ptr<QTcpSocket> socket_;
    QTimer limit_;
    bool starting_ = false;      // inside connectToHost
    bool failedAtOnce_ = false;  // an error came before connectToHost returned
    bool done_ = false;
    bool connected_ = false;
    QElapsedTimer doneAt_;
};

// One probe, waited for: true when the connection was established.
bool PortCheck(const QString& host, qint32 port, qint16 attempt = 1, const std::function<bool()>& stop = {});
