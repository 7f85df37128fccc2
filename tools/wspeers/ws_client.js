// The npm package ws as an independent client of our WebSocket server (tests/server).
//   node ws_client.js URL
// Same steps and output as ws_client.py: text, a 70000-byte binary message, a text in three
// fragments, a ping, a close with 1000 "done"; one JSON line of what it saw, or {"error": ...}.
'use strict';
const crypto = require('crypto');
const WebSocket = require('ws');

const seen = {};
const finish = () => {
  process.stdout.write(JSON.stringify(seen) + '\n');
  process.exit(0);
};
setTimeout(() => {
  seen.error = 'timed out';
  finish();
}, 20000).unref();

const ws = new WebSocket(process.argv[2], { perMessageDeflate: false, maxPayload: 0x7fffffff });
const next = () => new Promise((resolve) => ws.once('message', (data, isBinary) => resolve({ data, isBinary })));

ws.on('error', (error) => {
  seen.error = String(error);
  finish();
});
ws.on('close', (code, reason) => {
  seen.closeCode = code;
  seen.closeReason = reason.toString();
  finish();
});
ws.on('open', async () => {
  ws.send('hello');
  seen.text = (await next()).data.toString();
  const payload = crypto.randomBytes(70000);
  ws.send(payload);
  const echo = await next();
  seen.binaryEcho = echo.isBinary && Buffer.compare(echo.data, payload) === 0;
  ws.send('alpha-', { fin: false });
  ws.send('beta-', { fin: false });
  ws.send('gamma', { fin: true });
  seen.fragmented = (await next()).data.toString();
  const pong = new Promise((resolve) => ws.once('pong', resolve));
  ws.ping('are you there');
  seen.pong = (await pong).toString() === 'are you there';
  ws.close(1000, 'done');
});
