// The socket layer's start and stop, counted over the live clients of this
// module: the first client starts Windows Sockets, the last one stops it.
#pragma once

namespace socket_layer {

// At construction: clears the start-up-failed flag, starts the layer when no
// other client is alive, counts the client.
void ClientStarted();
// At destruction: uncounts the client; the last one stops the layer.
void ClientEnded();
// True when the layer could not be started (every URL is refused then).
bool StartupFailed();

}  // namespace socket_layer
