// A WebSocket server on loopback built on the npm package ws, as a second independent peer of the
// tests. Same command line, paths and event lines as ws_peer.py:
//   prints {"port": N}, then {"event": "closed", "path", "code", "reason"} per client close frame;
//   exits when its standard input closes; TLS with --cert/--key; permessage-deflate with --deflate.
'use strict';
const fs = require('fs');
const http = require('http');
const https = require('https');
const { WebSocketServer } = require('ws');

const argv = process.argv.slice(2);
const option = (name) => {
  const at = argv.indexOf(name);
  return at >= 0 ? argv[at + 1] : undefined;
};
const cert = option('--cert');
const key = option('--key');
const deflate = argv.includes('--deflate');

const emit = (event) => process.stdout.write(JSON.stringify(event) + '\n');

const server = cert ? https.createServer({ cert: fs.readFileSync(cert), key: fs.readFileSync(key) })
                    : http.createServer();
const wss = new WebSocketServer({
  server,
  maxPayload: 0x7fffffff,
  perMessageDeflate: deflate ? { serverMaxWindowBits: 15, clientMaxWindowBits: 15, threshold: 0 } : false,
});

let connections = 0;
wss.on('headers', (headers, request) => {
  if (request.url === '/cookie') headers.push(`Set-Cookie: peer=${connections + 1}; Path=/`);
});

wss.on('connection', (ws, request) => {
  connections += 1;
  const path = request.url;
  ws.on('close', (code, reason) => {
    if (code !== 1006) emit({ event: 'closed', path, code, reason: reason.toString() });
  });
  const echo = () => ws.on('message', (data, isBinary) => ws.send(data, { binary: isBinary }));
  const fields = [];
  for (let i = 0; i < request.rawHeaders.length; i += 2) fields.push([request.rawHeaders[i], request.rawHeaders[i + 1]]);
  if (path === '/headers' || path === '/cookie') {
    ws.send(JSON.stringify(fields));
  } else if (path === '/fragmented') {
    ws.send('alpha-', { fin: false });
    ws.send('beta-', { fin: false });
    ws.send('gamma', { fin: true });
  } else if (path === '/ping') {
    ws.once('pong', (data) => ws.send('pong:' + data.toString()));
    ws.ping('are you there');
  } else if (path === '/close') {
    ws.close(4001, 'server says bye');
    return;
  }
  echo();
});

server.listen(0, '127.0.0.1', () => emit({ port: server.address().port }));
process.stdin.on('end', () => process.exit(0));
process.stdin.resume();
