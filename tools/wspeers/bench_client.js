// The npm package ws as a client of the WebSocket echo benchmark (tools/bench).
//   node bench_client.js URL SIZE COUNT WINDOW
// Connects (no compression), sends COUNT text messages of SIZE bytes with at most WINDOW waiting for
// their echo, and prints {"seconds": ..., "count": ...}, the time from the first send to the last echo.
'use strict';
const WebSocket = require('ws');

const [url, size, count, window] = process.argv.slice(2).map((v, i) => (i === 0 ? v : Number(v)));
const message = 'x'.repeat(size);
const ws = new WebSocket(url, { perMessageDeflate: false, maxPayload: 0x7fffffff });

ws.on('open', () => {
  let sent = 0;
  let received = 0;
  const start = process.hrtime.bigint();
  const send = () => {
    while (sent < count && sent - received < window) {
      ws.send(message);
      sent += 1;
    }
  };
  ws.on('message', (data) => {
    if (data.length !== size) throw new Error('echo of the wrong size');
    received += 1;
    if (received === count) {
      const seconds = Number(process.hrtime.bigint() - start) / 1e9;
      process.stdout.write(JSON.stringify({ seconds, count }) + '\n');
      ws.close();
      return;
    }
    send();
  });
  send();
});
