// Drives the developer console in headless Chromium over the DevTools protocol
// (a pipe: no network port, no package beyond node): loads the page, sends
// "/6100" and waits for the disk list, the daemon request and the database part.
//   node console_check.mjs URL CHROMIUM PROFILE_DIR
// Exit 0 when the page showed the disk list, 1 with the reason otherwise.
import {spawn} from 'node:child_process';

const [url, chromium, profile] = process.argv.slice(2);
const browser = spawn(chromium, [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--user-data-dir=' + profile, '--remote-debugging-pipe', 'about:blank',
], {stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe']});
let stderr = '';
browser.stderr.on('data', d => { stderr = (stderr + d).slice(-2000); });

// Messages are JSON texts ended by a NUL byte, fd 3 to the browser, fd 4 back.
let nextId = 1, pending = new Map(), inbox = '';
browser.stdio[4].on('data', chunk => {
  inbox += chunk;
  let end;
  while ((end = inbox.indexOf('\0')) >= 0) {
    const msg = JSON.parse(inbox.slice(0, end));
    inbox = inbox.slice(end + 1);
    const p = pending.get(msg.id);
    if (!p) continue;
    pending.delete(msg.id);
    msg.error ? p.reject(new Error(JSON.stringify(msg.error))) : p.resolve(msg.result);
  }
});
function call(method, params = {}, sessionId) {
  const id = nextId++;
  browser.stdio[3].write(JSON.stringify({id, method, params, sessionId}) + '\0');
  return new Promise((resolve, reject) => pending.set(id, {resolve, reject}));
}

let session;
async function evaluate(expression) {
  const r = await call('Runtime.evaluate', {expression, returnByValue: true}, session);
  return r.result.value;
}
async function until(what, expression, seconds) {
  for (const end = Date.now() + seconds * 1000; Date.now() < end;) {
    if (await evaluate(expression)) return;
    await new Promise(done => setTimeout(done, 100));
  }
  throw new Error(what + '; page status: ' + await evaluate("document.getElementById('status')?.textContent"));
}

async function check() {
  const {targetId} = await call('Target.createTarget', {url});
  ({sessionId: session} = await call('Target.attachToTarget', {targetId, flatten: true}));
  await until('the page did not load its route list', "document.body?.dataset.state === 'ready' && " +
              "document.querySelectorAll('#routes tr').length > 100", 20);
  await evaluate(`document.querySelector('#routes tr')?.click(); document.getElementById('route').value = '/6100';
                  document.getElementById('method').value = 'GET'; document.getElementById('send').click()`);
  await until('the request did not finish', "['done', 'failed'].includes(document.body.dataset.state)", 30);
  const answer = await evaluate("document.getElementById('answer').textContent");
  if (!/^\{ "resultString": "OK", "esataType": 0, "HDD": \[ \{ "portId": 1,/.test(answer))
    throw new Error('no disk list came back: ' + answer.slice(0, 200));
  const daemon = await evaluate("document.getElementById('daemon').textContent");
  if (!daemon.includes('3433') || !daemon.includes('8433')) throw new Error('daemon request 3433 not shown: ' + daemon);
  if (!(await evaluate("document.getElementById('dbdiff').textContent")).includes('no change'))
    throw new Error('a disk list changed the database');
}

const timer = setTimeout(() => { console.error('console check: timed out'); process.exit(1); }, 60000);
try {
  await check();
  console.log('console check: the page listed the routes, sent /6100 and showed the disk list');
  process.exitCode = 0;
} catch (e) {
  console.error('console check failed: ' + e.message + (stderr ? '\nchromium: ' + stderr.trim() : ''));
  process.exitCode = 1;
} finally {
  clearTimeout(timer);
  browser.kill('SIGKILL');
}
