// The VS Code extension in VS Code itself: code-server serves the
// workbench, Debian's chromium shows it, puppeteer-core drives it as a
// user would. The built package is installed into a code-server of the
// test's own (its user data, extensions, home and config in a temporary
// folder, bound to 127.0.0.1, no password, workspace trust off), which opens
// a folder with the sample tables and examples/alerts.csm; the built
// vornel-scan is the server.
//
// node vscode_e2e.mjs VORNEL_SCAN SOURCE_DIR PROJECT_VERSION SCREENSHOT
// Exit status 0 when every step passed, 1 when one failed, 77 (skipped)
// when the tools are missing and scripts/install-deps cannot install them.

import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';

const [scan, source, projectVersion, screenshot] = process.argv.slice(2);
const skipped = 77;
const chromium = '/usr/bin/chromium';
const tools = path.join(source, '.tools/code-server');
const codeServer = path.join(tools, 'node_modules/code-server/out/node/entry.js');
const extension = path.join(source, 'editors/vscode');

// What the test needs and scripts/install-deps installs.
function missingTools() {
  const installed = fs.existsSync(tools) && fs.readdirSync(tools).some((f) => f.startsWith('installed-'));
  return [
    [chromium, fs.existsSync(chromium)],
    ['.tools/code-server', installed],
    ['editors/vscode/node_modules', fs.existsSync(path.join(extension, 'node_modules/.vornel-lock'))],
  ]
    .filter(([, there]) => !there)
    .map(([name]) => name);
}

if (missingTools().length > 0) {
  console.log(`Installing what is missing (${missingTools().join(', ')}) with scripts/install-deps`);
  const install = spawnSync(path.join(source, 'scripts/install-deps'), { encoding: 'utf8' });
  if (missingTools().length > 0) {
    console.log(`${install.stdout ?? ''}${install.stderr ?? ''}`.trim().split('\n').slice(-15).join('\n'));
    console.log(`SKIP: ${missingTools().join(', ')} missing, and scripts/install-deps could not install them`);
    process.exit(skipped);
  }
}

const require = createRequire(path.join(extension, 'package.json'));
const puppeteer = require('puppeteer-core');

const temp = fs.mkdtempSync(path.join(os.tmpdir(), 'vornel-vscode-'));
const started = [];  // processes to end, newest last
let browser;
let serverLog = '';

// Everything this test started ends, whatever happened.
async function cleanUp() {
  if (browser) await browser.close().catch(() => {});
  for (const child of started.reverse()) {
    try {
      process.kill(-child.pid, 'SIGKILL');
    } catch {
      // Already gone.
    }
  }
  fs.rmSync(temp, { recursive: true, force: true });
}
for (const signal of ['SIGINT', 'SIGTERM']) {
  process.on(signal, () => cleanUp().finally(() => process.exit(1)));
}

function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

function environment() {
  const home = path.join(temp, 'home');
  return {
    ...process.env,
    HOME: home,
    XDG_CONFIG_HOME: path.join(home, '.config'),
    XDG_DATA_HOME: path.join(home, '.local/share'),
    XDG_CACHE_HOME: path.join(home, '.cache'),
    // No extension gallery: nothing is looked up outside this machine.
    EXTENSIONS_GALLERY: '{}',
  };
}

const userData = path.join(temp, 'user-data');
const codeServerArgs = [
  '--user-data-dir', userData,
  '--extensions-dir', path.join(temp, 'extensions'),
  '--config', path.join(temp, 'config.yaml'),
];

function run(program, args, options = {}) {
  const result = spawnSync(program, args, { encoding: 'utf8', env: environment(), ...options });
  if (result.status !== 0)
    throw new Error(`${program} ${args.join(' ')} failed (${result.status}): ${result.stdout}${result.stderr}`);
  return result.stdout;
}

// code-server on a free port of 127.0.0.1; its address once it listens.
function startCodeServer() {
  const child = spawn(
    process.execPath,
    [codeServer, ...codeServerArgs, '--bind-addr', '127.0.0.1:0', '--auth', 'none',
     '--disable-workspace-trust', '--disable-telemetry', '--disable-update-check',
     '--disable-getting-started-override'],
    { env: environment(), detached: true, stdio: ['ignore', 'pipe', 'pipe'] },
  );
  started.push(child);
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`code-server did not listen:\n${serverLog}`)), 60000);
    const read = (chunk) => {
      serverLog += chunk;
      const listening = /HTTP server listening on (http:\/\/127\.0\.0\.1:\d+)/.exec(serverLog);
      if (listening) {
        clearTimeout(timer);
        resolve(listening[1]);
      }
    };
    child.stdout.on('data', read);
    child.stderr.on('data', read);
    child.on('exit', (status) => reject(new Error(`code-server ended (${status}):\n${serverLog}`)));
  });
}

function writeSettings(settings) {
  fs.mkdirSync(path.join(userData, 'User'), { recursive: true });
  fs.writeFileSync(
    path.join(userData, 'User/settings.json'),
    JSON.stringify({
      'workbench.startupEditor': 'none',
      'workbench.tips.enabled': false,
      'workbench.enableExperiments': false,
      'telemetry.telemetryLevel': 'off',
      'extensions.ignoreRecommendations': true,
      'extensions.autoCheckUpdates': false,
      'extensions.autoUpdate': false,
      'editor.quickSuggestions': { other: false, comments: false, strings: false },
      'editor.hover.delay': 300,
      'window.commandCenter': false,
      ...settings,
    }, null, 2),
  );
}

// Waits until `fn` (run in the page) returns something true; that value.
async function until(page, what, fn, arg, timeout = 20000) {
  try {
    const handle = await page.waitForFunction(fn, { timeout, polling: 100 }, arg);
    return await handle.jsonValue();
  } catch (error) {
    throw new Error(`${what}: not seen within ${timeout / 1000} s (${error.message.split('\n')[0]})`);
  }
}

// Runs a command by its label from the command palette, as a user does.
async function command(page, label) {
  await page.keyboard.press('F1');
  await page.waitForSelector('.quick-input-widget .quick-input-box input', { visible: true });
  await page.keyboard.type(label);
  await until(page, `the command "${label}"`, (wanted) => {
    const rows = [...document.querySelectorAll('.quick-input-widget .monaco-list-row')];
    const row = rows.find((r) => r.querySelector('.label-name')?.textContent.trim() === wanted);
    if (!row) return false;
    row.click();
    return true;
  }, label);
}

const results = [];
async function step(name, body) {
  const begun = Date.now();
  try {
    await body();
    results.push(true);
    console.log(`PASS   : ${name} (${((Date.now() - begun) / 1000).toFixed(1)} s)`);
  } catch (error) {
    results.push(false);
    console.log(`FAIL!  : ${name}\n   ${error.message}`);
    throw error;
  }
}

async function main() {
  // The folder the workbench opens: the sample tables and a script with alerts.
  const work = path.join(temp, 'scripts');
  fs.mkdirSync(path.join(work, 'tables'), { recursive: true });
  for (const table of ['tags.txt', 'param.txt'])
    fs.copyFileSync(path.join(source, 'data', table), path.join(work, 'tables', table));
  fs.copyFileSync(path.join(source, 'examples/alerts.csm'), path.join(work, 'alerts.csm'));
  // A code only these tables list: its alert shows that the tables setting
  // reached the server, which would otherwise read the installed tables.
  const ownRow = { code: 'wksp', message: 'Listed only in the tables of this workspace' };
  fs.appendFileSync(path.join(work, 'tables/param.txt'), `"${ownRow.code}","${ownRow.message}",none\r\n`);
  const expected = JSON.parse(run(scan, ['--format', 'json', '--exit-zero', '--tables', path.join(work, 'tables'), 'alerts.csm'],
                                  { cwd: work }));
  const alerts = expected.scripts[0].alerts;

  let vsix;
  await step('the extension builds into a package of the program\'s version', async () => {
    vsix = path.join(temp, 'vornel-scan.vsix');
    run(path.join(source, 'scripts/build-vsix'), [vsix]);
    const manifest = JSON.parse(fs.readFileSync(path.join(extension, 'package.json'), 'utf8'));
    if (!`${manifest.version}`.startsWith(`${projectVersion}.`))
      throw new Error(`editors/vscode/package.json has version ${manifest.version}, the program ${projectVersion}`);
  });

  await step('code-server installs the package', async () => {
    const said = run(process.execPath, [codeServer, ...codeServerArgs, '--install-extension', vsix]);
    const listed = run(process.execPath, [codeServer, ...codeServerArgs, '--list-extensions', '--show-versions']);
    if (!listed.includes('vornel.vornel-scan@')) throw new Error(`not listed after install: ${said}${listed}`);
  });

  writeSettings({ 'vornelScan.path': scan, 'vornelScan.tables': 'tables' });
  const address = await startCodeServer();
  browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    userDataDir: path.join(temp, 'chromium'),
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    defaultViewport: { width: 1280, height: 800 },
  });
  const page = await browser.newPage();
  await page.goto(`${address}/?folder=${encodeURIComponent(work)}`, { waitUntil: 'domcontentloaded' });
  await page.waitForSelector('.monaco-workbench', { timeout: 60000 });

  await step('the Problems view lists the alerts with line and message, the status bar counts them', async () => {
    await command(page, 'Go to File...');
    await page.keyboard.type('alerts.csm');
    await until(page, 'alerts.csm in Go to File', () =>
      document.querySelector('.quick-input-widget .monaco-list-row[aria-label*="alerts.csm"]'));
    await page.keyboard.press('Enter');
    await command(page, 'Problems: Focus on Problems View');
    await until(page, 'the Problems view', () => document.querySelector('.markers-panel')?.offsetHeight > 0);
    // Every row in sight: the list shows only the rows that fit.
    await maximizePanel(page, true);
    const places = alerts.map((a) => `${a.message} at line ${a.line} and character ${a.column}.`);
    await until(page, `every alert in the Problems view:\n${places.join('\n')}`, (wanted) => {
      const rows = [...document.querySelectorAll('.markers-panel .monaco-list-row')].map((r) => r.getAttribute('aria-label'));
      return wanted.every((place) => rows.some((row) => row?.includes(place)));
    }, places);
    await untilWarnings(page, alerts.length);
  });

  // Where the steps below put the cursor: the isoa alert of line 3.
  const isoa = alerts.find((a) => a.code === 'isoa');
  const explained = run(scan, ['--explain', 'isoa', '--tables', 'tables'], { cwd: work });
  const row = ['message', 'note'].map((field) => new RegExp(`^\\s*${field}: (.*)$`, 'm').exec(explained)[1]);
  await step('a hover on a listed code shows its table row', async () => {
    await maximizePanel(page, false);
    await goTo(page, isoa.line, isoa.column + 1);
    await command(page, 'Show or Focus Hover');
    await until(page, `a hover with ${row.join(' and ')}`, (parts) => {
      return [...document.querySelectorAll('.monaco-hover')].some((hover) => {
        const text = hover.innerText.replace(/\s+/g, ' ');
        return parts.every((part) => text.includes(part));
      });
    }, row);
    if (screenshot) await page.screenshot({ path: screenshot });
    await page.keyboard.press('Escape');
  });

  await step('the grammar marks codes, call names, comments and numbers', async () => {
    const lines = fs.readFileSync(path.join(work, 'alerts.csm'), 'latin1').split('\r\n');
    const at = (line, text) => [line, lines[line - 1].indexOf(text) + 2];
    for (const [[line, column], scope] of [
      [[isoa.line, isoa.column + 1], 'constant.other.code.csm'],
      [at(isoa.line, 'SetCameraState'), 'support.function.csm'],
      [at(2, '# zoom'), 'comment.line.number-sign.csm'],
      [at(4, '-2'), 'constant.numeric.csm'],
    ]) {
      await goTo(page, line, column);
      await command(page, 'Developer: Inspect Editor Tokens and Scopes');
      await until(page, `${scope} at ${line}:${column}`, (wanted) =>
        document.querySelector('.token-inspect-widget')?.innerText.includes(wanted), scope);
      await page.keyboard.press('Escape');
    }
  });

  await step('the quick fix inserts a directive with a reason and the alert leaves Problems', async () => {
    await goTo(page, isoa.line, isoa.column + 1);
    await command(page, 'Quick Fix...');
    await until(page, 'the quick fix "disable isoa on this line"', () => {
      const item = [...document.querySelectorAll('.action-widget .monaco-list-row')]
        .find((r) => r.textContent.includes('disable isoa on this line'));
      if (!item) return false;
      item.click();
      return true;
    });
    await untilWarnings(page, alerts.length - 1);
    await until(page, 'no isoa in the Problems view', () =>
      ![...document.querySelectorAll('.markers-panel .monaco-list-row')].some((r) => r.getAttribute('aria-label')?.includes(' isoa ')));
    await command(page, 'File: Save');
    await untilFile(path.join(work, 'alerts.csm'), (text) => text.split('\r\n')[isoa.line - 1] ===
      'SetCameraState("isoa", 1)  # vornel-scan: disable=isoa -- reason');
  });

  await step('typing a listed code into a new line adds a diagnostic within a second', async () => {
    await goTo(page, 14, 1);
    await page.keyboard.press('End');
    await page.keyboard.press('Enter');
    // The quotes and brackets close by themselves, and are typed over.
    await page.keyboard.type(`SetCameraState("${ownRow.code}", 2)`);
    const typed = Date.now();
    await untilWarnings(page, alerts.length);
    const took = Date.now() - typed;
    if (took > 1000) throw new Error(`the alert took ${took} ms`);
    console.log(`         the alert came ${took} ms after the last key`);
    const place = `${ownRow.message} at line 15 and character 16.`;
    await maximizePanel(page, true);
    await until(page, `the new alert in the Problems view: ${place}`, (wanted) =>
      [...document.querySelectorAll('.markers-panel .monaco-list-row')].some((r) => r.getAttribute('aria-label')?.includes(wanted)),
    place);
    await maximizePanel(page, false);
    await command(page, 'File: Save');
    await untilFile(path.join(work, 'alerts.csm'), (text) => text.split('\r\n')[14] === `SetCameraState("${ownRow.code}", 2)`);
  });

  await step('a new script saved from the editor has CR LF line ends', async () => {
    await command(page, 'File: New File...');
    await page.keyboard.type('new.csm');
    await page.keyboard.press('Enter');
    await until(page, 'new.csm open in the editor, with the focus', () =>
      document.querySelector('.tab.active')?.getAttribute('aria-label')?.startsWith('new.csm') &&
      document.activeElement?.closest('.monaco-editor') !== null);
    await page.keyboard.type('# new\nx = "flsh"\n');
    await command(page, 'File: Save');
    await untilFile(path.join(work, 'new.csm'), (text) => text === '# new\r\nx = "flsh"\r\n');
  });

  // Points vornelScan.path at `program` as a workspace setting, which beats
  // the user's; the notifications shown then, once they have settled.
  async function notificationsFor(program, wanted) {
    fs.mkdirSync(path.join(work, '.vscode'), { recursive: true });
    fs.writeFileSync(path.join(work, '.vscode/settings.json'), JSON.stringify({ 'vornelScan.path': program }));
    await until(page, `a notification saying ${wanted.join(' and ')}`, (parts) =>
      [...document.querySelectorAll('.notification-toast')].some((t) => parts.every((p) => t.innerText.includes(p))),
    wanted);
    await sleep(2000);
    const shown = await page.evaluate(() =>
      [...document.querySelectorAll('.notification-toast .notification-list-item-message')].map((t) => t.innerText));
    await command(page, 'Notifications: Clear All Notifications');
    return shown;
  }

  await step('with vornelScan.path pointing nowhere, a notification names the setting', async () => {
    const shown = await notificationsFor(path.join(temp, 'nowhere/vornel-scan'), ['vornelScan.path', 'Install']);
    if (shown.length !== 1) throw new Error(`notifications: ${shown.join('\n')}`);
    console.log(`         it says: ${shown[0]}`);
    // The alerts of a server that is gone go with it.
    await untilWarnings(page, 0);
  });

  await step('a vornel-scan older than 1.0 gets the same notification', async () => {
    const old = path.join(temp, 'old-vornel-scan');
    fs.writeFileSync(old, '#!/bin/sh\necho "vornel-scan 0.9"\n', { mode: 0o755 });
    const shown = await notificationsFor(old, ['vornelScan.path', 'vornel-scan 0.9', '1.0 or later']);
    if (shown.length !== 1) throw new Error(`notifications: ${shown.join('\n')}`);
  });

  await step('the checker starts again when its setting is mended, and by its command', async () => {
    fs.rmSync(path.join(work, '.vscode'), { recursive: true });
    // Both scripts' alerts: the ones left in alerts.csm, and new.csm's.
    await untilWarnings(page, alerts.length + 1);
    await command(page, 'Vornel: Restart the checker');
    await untilWarnings(page, alerts.length + 1);
  });
}

// Waits until the status bar counts `n` warnings.
function untilWarnings(page, n) {
  return until(page, `the status bar counting ${n} warnings`, (wanted) =>
    (document.querySelector('[id="status.problems"]')?.textContent ?? '').match(/\d+/g)?.[1] === `${wanted}`, n);
}

// Maximizes the panel, or gives the editor its room back; a maximized
// panel hides the editor.
async function maximizePanel(page, maximized) {
  const editorHidden = () => document.querySelector('.part.editor')?.offsetHeight === 0;
  for (let tries = 0; (await page.evaluate(editorHidden)) !== maximized; ++tries) {
    if (tries === 3) throw new Error(`the panel is not ${maximized ? 'maximized' : 'restored'}`);
    await command(page, 'View: Toggle Maximized Panel');
    await page.waitForFunction((wanted) => (document.querySelector('.part.editor')?.offsetHeight === 0) === wanted,
                               { timeout: 3000, polling: 100 }, maximized).catch(() => {});
  }
}

// Puts the cursor at a line and column, both from 1.
async function goTo(page, line, column) {
  await command(page, 'Go to Line/Column...');
  await page.keyboard.type(`${line}:${column}`);
  await page.keyboard.press('Enter');
}

// Waits until the file's text passes `test`.
async function untilFile(file, test, timeout = 10000) {
  const end = Date.now() + timeout;
  let text = '';
  while (Date.now() < end) {
    text = fs.existsSync(file) ? fs.readFileSync(file, 'latin1') : '';
    if (test(text)) return;
    await sleep(100);
  }
  throw new Error(`${file} holds ${JSON.stringify(text)}`);
}

const guard = setTimeout(() => {
  console.log('FAIL!  : the test took more than 5 minutes');
  cleanUp().finally(() => process.exit(1));
}, 300000);

let status = 0;
try {
  await main();
} catch (error) {
  status = 1;
  if (!results.includes(false)) console.log(`FAIL!  : ${error.stack}`);
  console.log(`code-server said:\n${serverLog.split('\n').slice(-20).join('\n')}`);
  if (browser) {
    const pages = await browser.pages();
    if (pages.length > 0 && screenshot) await pages[pages.length - 1].screenshot({ path: screenshot.replace(/\.png$/, '-failed.png') });
  }
} finally {
  clearTimeout(guard);
  await cleanUp();
}
console.log(`${results.filter((r) => r).length} passed, ${results.filter((r) => !r).length} failed`);
process.exit(status);
