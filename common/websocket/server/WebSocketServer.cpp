#include "common/websocket/server/WebSocketServer.h"

#include "common/websocket/WSError.h"

namespace qor {

std::shared_ptr<WebSocketServer> WebSocketServer::create() {
  return std::shared_ptr<WebSocketServer>(new WebSocketServer());
}

WebSocketServer::WebSocketServer() : queue_(platform::SerialQueue::create("com.qor.websocket.server.stream")) {}

ErrorPtr WebSocketServer::start(const std::string& address, uint16_t port) {
  auto listener = platform::NWListener::create(address, port);
  if (!listener) {
    return makeError<WSError>(ErrorType::serverError,
                              "unable to start the listener at: " + address + ":" + std::to_string(port), 0);
  }
  std::weak_ptr<WebSocketServer> weak = weak_from_this();
  listener->setNewConnectionHandler([weak](std::shared_ptr<platform::NWConnection> connection) {
    if (auto self = weak.lock()) self->accept(std::move(connection));
  });
  std::shared_ptr<platform::NWListener> previous;
  {
    std::lock_guard lock(mutex_);
    previous = std::exchange(listener_, listener);
  }
  if (previous) previous->cancel();
  listener->start(queue_);
  return nullptr;
}

WebSocketServer::EventBlock WebSocketServer::onEvent() const {
  std::lock_guard lock(mutex_);
  return onEvent_;
}

void WebSocketServer::setOnEvent(EventBlock onEvent) {
  std::lock_guard lock(mutex_);
  onEvent_ = std::move(onEvent);
}

uint16_t WebSocketServer::port() const {
  std::lock_guard lock(mutex_);
  return listener_ ? listener_->port() : 0;
}

std::vector<std::string> WebSocketServer::connectionIDs() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> ids;
  for (const auto& [id, connection] : connections_) ids.push_back(id);
  return ids;
}

// On the server's queue.
void WebSocketServer::accept(std::shared_ptr<platform::NWConnection> connection) {
  QOR_DCHECK_ON_QUEUE(queue_);
  std::weak_ptr<WebSocketServer> weak = weak_from_this();
  auto made = ServerConnection::create(std::move(connection), weak, [weak](const std::string& id) {
    if (auto self = weak.lock()) self->remove(id);
  });
  std::lock_guard lock(mutex_);
  connections_.emplace(made->id(), std::move(made));
}

void WebSocketServer::remove(const std::string& id) {
  queue_->postFor(weak_from_this(), [id](const std::shared_ptr<WebSocketServer>& self) {
    std::shared_ptr<ServerConnection> removed;
    {
      std::lock_guard lock(self->mutex_);
      auto found = self->connections_.find(id);
      if (found == self->connections_.end()) return;
      removed = std::move(found->second);
      self->connections_.erase(found);
    }
    // `removed` goes here, outside the lock: the last reference closes its socket.
  });
}

void WebSocketServer::didReceive(const ServerEvent& event) {
  if (auto block = onEvent()) block(event);
  if (const auto* closed = event.as<ServerEvent::Disconnected>()) {
    if (auto connection = std::dynamic_pointer_cast<ServerConnection>(closed->connection)) remove(connection->id());
  }
}

}  // namespace qor
