#pragma once
// An adapter backend held in memory, for tests: adapters appear and disappear on
// command, received bytes are handed in, written bytes are recorded, and reads,
// writes and opens fail when the script says so. Safe to drive from a test thread
// while the link thread does the I/O.

#include "link/AdapterBackend.h"

#include <QByteArray>
#include <QList>

#include <memory>

namespace relvane {

class MemoryBackend : public AdapterBackend {
public:
    MemoryBackend();
    ~MemoryBackend() override;

    // Plugs in an adapter (listed at the end). An adapter with detailsOk false is
    // listed as one whose details cannot be read.
    void AddAdapter(const QString& description, bool detailsOk = true);
    // Unplugs the first adapter with this description: a port open on it reads
    // Gone from now on and its writes fail; bytes not yet read are lost.
    void RemoveAdapter(const QString& description);
    void SetListFails(bool fails);
    // Present adapters refuse to open (held by another program).
    void SetOpenFails(bool fails);
    // Every open takes this long, to widen races in tests.
    void SetOpenDelayMs(int ms);

    // Bytes the adapter has received from the module, handed out by later reads.
    void Deliver(const QByteArray& bytes);
    // At most this many bytes per read (0: as many as the reader asks for).
    void SetReadChunk(int bytes);
    // The next n reads of an open port return status instead of data.
    void FailReads(int n, ReadStatus status = ReadStatus::Failed);
    // Scripted write calls, one step per call: -1 fails the call, k >= 0 accepts at
    // most k bytes (a short write when k is below the count). Calls after the
    // script accept everything.
    void ScriptWrites(const QList<int>& steps);

    QByteArray Written() const;          // every byte accepted, in order
    QList<QByteArray> WriteCalls() const;  // the bytes accepted by each call
    void ClearWritten();
    int OpenCount() const;  // successful opens so far
    int OpenPorts() const;  // ports open now
    int ReadCount() const;  // reads made so far
    int Pending() const;    // delivered bytes not read yet

    bool ListAdapters(QList<AdapterInfo>& out) override;
    std::unique_ptr<AdapterPort> Open(const QString& description) override;

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace relvane
