// The VS Code extension in VS Code itself: code-server serves the
// workbench, Debian's chromium shows it, puppeteer-core drives it as a user
// would, from the command palette and the keyboard. The built package goes
// into a code-server of the test's own (user data, extensions, home and
// config in a temporary folder, 127.0.0.1, no password, workspace trust
// off, no extension gallery), which opens a folder with the sample tables
// and examples/alerts.csm; the built vornel-scan is the server.
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
const chromium = '/usr/bin/chromium';
const tools = path.join(source, '.tools/code-server');
const codeServer = path.join(tools, 'node_modules/code-server/out/node/entry.js');
const extension = path.join(source, 'editors/vscode');

// What scripts/install-deps installs for this test and is not there.
const missingTools = () => [
  [chromium, fs.existsSync(chromium)],
  ['.tools/code-server', fs.existsSync(tools) && fs.readdirSync(tools).some((f) => f.startsWith('installed-'))],
  ['editors/vscode/node_modules', fs.existsSync(path.join(extension, 'node_modules/.vornel-lock'))],
].filter(([, there]) => !there).map(([name]) => name);
if (missingTools().length > 0) {
  console.log(`Installing what is missing (${missingTools().join(', ')}) with scripts/install-deps`);
  const install = spawnSync(path.join(source, 'scripts/install-deps'), { encoding: 'utf8' });
  if (missingTools().length > 0) {
    console.log(`${install.stdout ?? ''}${install.stderr ?? ''}`.trim().split('\n').slice(-15).join('\n'));
    console.log(`SKIP: ${missingTools().join(', ')} missing, and scripts/install-deps could not install them`);
    process.exit(77);
  }
}
const puppeteer = createRequire(path.join(extension, 'package.json'))('puppeteer-core');

const temp = fs.mkdtempSync(path.join(os.tmpdir(), 'vornel-vscode-'));
const home = path.join(temp, 'home');
const env = { ...process.env, HOME: home, XDG_CONFIG_HOME: path.join(home, '.config'),
              XDG_DATA_HOME: path.join(home, '.local/share'), XDG_CACHE_HOME: path.join(home, '.cache'),
              EXTENSIONS_GALLERY: '{}' };
const userData = path.join(temp, 'user-data');
const serverArgs = [codeServer, '--user-data-dir', userData, '--extensions-dir', path.join(temp, 'extensions'),
                    '--config', path.join(temp, 'config.yaml')];
let codeServerProcess;
let browser;
let serverLog = '';

// Everything this test started ends, whatever happened.
async function cleanUp() {
  await browser?.close().catch(() => {});
  try {
    if (codeServerProcess) process.kill(-codeServerProcess.pid, 'SIGKILL');
  } catch {
    // Gone already.
  }
  fs.rmSync(temp, { recursive: true, force: true });
}
for (const signal of ['SIGINT', 'SIGTERM']) process.on(signal, () => cleanUp().finally(() => process.exit(1)));

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

function run(program, args, options = {}) {
  const result = spawnSync(program, args, { encoding: 'utf8', env, ...options });
  if (result.status !== 0)
    throw new Error(`${program} ${args.join(' ')} failed (${result.status}): ${result.stdout}${result.stderr}`);
  return result.stdout;
}

// code-server on a free port of 127.0.0.1, in a process group of its own
// with everything it starts; its address once it listens.
function startCodeServer() {
  codeServerProcess = spawn(process.execPath, [...serverArgs, '--bind-addr', '127.0.0.1:0', '--auth', 'none',
    '--disable-workspace-trust', '--disable-telemetry', '--disable-update-check'],
  { env, detached: true, stdio: ['ignore', 'pipe', 'pipe'] });
  return new Promise((resolve, reject) => {
    setTimeout(() => reject(new Error(`code-server did not listen:\n${serverLog}`)), 60000);
    const read = (chunk) => {
      serverLog += chunk;
      const listening = /HTTP server listening on (http:\/\/127\.0\.0\.1:\d+)/.exec(serverLog);
      if (listening) resolve(listening[1]);
    };
    codeServerProcess.stdout.on('data', read);
    codeServerProcess.stderr.on('data', read);
    codeServerProcess.on('exit', (status) => reject(new Error(`code-server ended (${status}):\n${serverLog}`)));
  });
}

// Waits until `fn` (run in the page) returns something true.
async function until(page, what, fn, arg, timeout = 20000) {
  try {
    await page.waitForFunction(fn, { timeout, polling: 100 }, arg);
  } catch (error) {
    throw new Error(`${what}: not seen within ${timeout / 1000} s (${error.message.split('\n')[0]})`);
  }
}

// Runs a command by its label from the command palette.
async function command(page, label) {
  await page.keyboard.press('F1');
  await page.waitForSelector('.quick-input-widget .quick-input-box input', { visible: true });
  await page.keyboard.type(label);
  await until(page, `the command "${label}"`, (wanted) => {
    const row = [...document.querySelectorAll('.quick-input-widget .monaco-list-row')]
      .find((r) => r.querySelector('.label-name')?.textContent.trim() === wanted);
    row?.click();
    return row;
  }, label);
}

// Puts the cursor at a line and column, both from 1.
async function goTo(page, line, column) {
  await command(page, 'Go to Line/Column...');
  await page.keyboard.type(`${line}:${column}`);
  await page.keyboard.press('Enter');
}

// Opens a file of the workspace by its name, from Go to File.
async function open(page, name) {
  await command(page, 'Go to File...');
  await page.keyboard.type(name);
  await until(page, `${name} in Go to File`, (wanted) => {
    const row = [...document.querySelectorAll('.quick-input-widget .monaco-list-row')]
      .find((r) => r.querySelector('.label-name')?.textContent.trim() === wanted);
    row?.click();
    return row;
  }, name);
  await until(page, `${name} open in the editor`, (wanted) =>
    document.querySelector('.tab.active')?.getAttribute('aria-label')?.startsWith(wanted), name);
}

// Waits until `name` is the active editor, its cursor on `line`.
function untilSelection(page, name, line) {
  return until(page, `${name} open at line ${line}`, ([file, wanted]) =>
    document.querySelector('.tab.active')?.getAttribute('aria-label')?.startsWith(file) &&
    (document.querySelector('[id="status.editor.selection"]')?.textContent ?? '').startsWith(`Ln ${wanted},`), [name, line]);
}

// The status bar shows the number of errors, of warnings, then of infos
// when there are any.
function untilCount(page, kind, n) {
  return until(page, `the status bar counting ${n} ${kind}`, ([index, wanted]) => {
    const counts = (document.querySelector('[id="status.problems"]')?.textContent ?? '').match(/\d+/g) ?? [];
    return [...counts, '0'][index] === wanted;
  }, [['errors', 'warnings', 'infos'].indexOf(kind), `${n}`]);
}

function untilWarnings(page, n) {
  return untilCount(page, 'warnings', n);
}

// Waits until the Problems view shows a row with each of `places`; the
// panel is maximized meanwhile, as the list shows only the rows that fit
// (a maximized panel hides the editor).
async function untilProblems(page, places, timeout = 20000) {
  for (const maximized of [true, false]) {
    for (let tries = 0; await page.evaluate(() => document.querySelector('.part.editor')?.offsetHeight !== 0) === maximized; ++tries) {
      if (tries === 3) throw new Error(`the panel is not ${maximized ? 'maximized' : 'restored'}`);
      await command(page, 'View: Toggle Maximized Panel');
      await sleep(500);
    }
    if (maximized) {
      await until(page, `in the Problems view:\n${places.join('\n')}`, (wanted) => {
        const rows = [...document.querySelectorAll('.markers-panel .monaco-list-row')].map((r) => r.getAttribute('aria-label'));
        return wanted.every((place) => rows.some((row) => row?.includes(place)));
      }, places, timeout);
    }
  }
}

async function untilFile(file, test) {
  let text = '';
  for (const end = Date.now() + 10000; Date.now() < end; await sleep(100)) {
    text = fs.existsSync(file) ? fs.readFileSync(file, 'latin1') : '';
    if (test(text)) return;
  }
  throw new Error(`${file} holds ${JSON.stringify(text)}`);
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
  // The folder the workbench opens: the sample tables and a script with
  // alerts. A code only these tables list shows, when it is an alert, that
  // the tables setting reached the server, which would otherwise read the
  // installed tables.
  const work = path.join(temp, 'scripts');
  fs.mkdirSync(path.join(work, 'tables'), { recursive: true });
  for (const table of ['tags.txt', 'param.txt'])
    fs.copyFileSync(path.join(source, 'data', table), path.join(work, 'tables', table));
  fs.copyFileSync(path.join(source, 'examples/alerts.csm'), path.join(work, 'alerts.csm'));
  const own = { code: 'wksp', message: 'Listed only in the tables of this workspace' };
  fs.appendFileSync(path.join(work, 'tables/param.txt'), `"${own.code}","${own.message}",none\r\n`);
  // A second script, which the tables' steps open: two alerts of the
  // workspace's own row, and a tag code that no table lists yet.
  const newTag = { code: 'ntag', message: 'A tag typed into tags.txt in the editor' };
  fs.mkdirSync(path.join(work, 'more'));
  fs.writeFileSync(path.join(work, 'more/more.csm'),
    `# More of the workspace\r\nSetCameraState("${own.code}", 1)\r\nx = "${own.code}"\r\nname = GetFileTag("${newTag.code}")\r\n`);
  const alerts = JSON.parse(run(scan, ['--format', 'json', '--exit-zero', '--tables', 'tables', 'alerts.csm'],
                                { cwd: work })).scripts[0].alerts;
  const place = (a) => `${a.message} at line ${a.line} and character ${a.column}.`;

  await step('the package builds with the program\'s version and code-server installs it', async () => {
    const version = JSON.parse(fs.readFileSync(path.join(extension, 'package.json'), 'utf8')).version;
    if (!version.startsWith(`${projectVersion}.`))
      throw new Error(`editors/vscode/package.json has version ${version}, the program ${projectVersion}`);
    const vsix = path.join(temp, 'vornel-scan.vsix');
    run(path.join(source, 'scripts/build-vsix'), [vsix]);
    run(process.execPath, [...serverArgs, '--install-extension', vsix]);
    if (!run(process.execPath, [...serverArgs, '--list-extensions']).includes('vornel.vornel-scan'))
      throw new Error('not installed');
  });

  // code-server's workbench is a remote window, whose user settings never
  // set a machine-overridable setting once the extension has declared it:
  // the program and the tables go in the remote machine's settings, as for
  // any remote window.
  fs.mkdirSync(path.join(userData, 'Machine'), { recursive: true });
  fs.writeFileSync(path.join(userData, 'Machine/settings.json'), JSON.stringify({
    'vornelScan.path': scan,
    'vornelScan.tables': 'tables',
  }));
  fs.mkdirSync(path.join(userData, 'User'), { recursive: true });
  fs.writeFileSync(path.join(userData, 'User/settings.json'), JSON.stringify({
    'workbench.startupEditor': 'none',
    'telemetry.telemetryLevel': 'off',
    // As in VS Code on the desktop; in the browser it saves after a second.
    'files.autoSave': 'off',
    // Enter after typing takes no suggestion.
    'editor.quickSuggestions': { other: false, comments: false, strings: false },
  }));
  const address = await startCodeServer();
  browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    userDataDir: path.join(temp, 'chromium'),
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
    defaultViewport: { width: 1280, height: 800 },
  });
  const page = await browser.newPage();
  await page.goto(`${address}/?folder=${encodeURIComponent(work)}`, { waitUntil: 'domcontentloaded' });
  await page.waitForSelector('.monaco-workbench', { timeout: 60000 });

  await step('the Problems view lists the alerts with line and message, the status bar counts them', async () => {
    await open(page, 'alerts.csm');
    await command(page, 'Problems: Focus on Problems View');
    // The extension host and the server start meanwhile, slowly on a busy machine.
    await untilProblems(page, alerts.map(place), 60000);
    await untilWarnings(page, alerts.length);
  });

  const isoa = alerts.find((a) => a.code === 'isoa');
  const explained = run(scan, ['--explain', 'isoa', '--tables', 'tables'], { cwd: work });
  const row = ['message', 'note'].map((field) => new RegExp(`^\\s*${field}: (.*)$`, 'm').exec(explained)[1]);
  await step('a hover on a listed code shows its table row', async () => {
    await goTo(page, isoa.line, isoa.column + 1);
    await command(page, 'Show or Focus Hover');
    await until(page, `a hover with ${row.join(' and ')}`, (parts) => [...document.querySelectorAll('.monaco-hover')]
      .some((hover) => parts.every((part) => hover.innerText.replace(/\s+/g, ' ').includes(part))), row);
    if (screenshot) await page.screenshot({ path: screenshot });
    await page.keyboard.press('Escape');
  });

  await step('the grammar marks codes, call names, comments and numbers', async () => {
    const lines = fs.readFileSync(path.join(work, 'alerts.csm'), 'latin1').split('\r\n');
    const at = (line, text) => [line, lines[line - 1].indexOf(text) + 2];
    for (const [[line, column], scope] of [[[isoa.line, isoa.column + 1], 'constant.other.code.csm'],
      [at(isoa.line, 'SetCameraState'), 'support.function.csm'], [at(2, '# zoom'), 'comment.line.number-sign.csm'],
      [at(4, '-2'), 'constant.numeric.csm']]) {
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
      item?.click();
      return item;
    });
    await untilWarnings(page, alerts.length - 1);
    await until(page, 'no isoa in the Problems view', () => ![...document.querySelectorAll('.markers-panel .monaco-list-row')]
      .some((r) => r.getAttribute('aria-label')?.includes(' isoa ')));
    await command(page, 'File: Save');
    await untilFile(path.join(work, 'alerts.csm'), (text) =>
      text.split('\r\n')[isoa.line - 1] === 'SetCameraState("isoa", 1)  # vornel-scan: disable=isoa -- reason');
  });

  await step('typing a listed code into a new line adds a diagnostic within a second', async () => {
    await goTo(page, 14, 1);
    await page.keyboard.press('End');
    await page.keyboard.press('Enter');
    // The quotes and brackets close by themselves, and are typed over.
    await page.keyboard.type(`SetCameraState("${own.code}", 2)`);
    const typed = Date.now();
    await untilWarnings(page, alerts.length);
    const took = Date.now() - typed;
    if (took > 1000) throw new Error(`the alert took ${took} ms`);
    console.log(`         the alert came ${took} ms after the last key`);
    await untilProblems(page, [place({ ...own, line: 15, column: 16 })]);
    await command(page, 'File: Save');
    await untilFile(path.join(work, 'alerts.csm'), (text) => text.split('\r\n')[14] === `SetCameraState("${own.code}", 2)`);
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

  // Points vornelScan.path at `program` in the workspace's settings, which
  // beat the user's; waits for a notification with every one of `wanted`,
  // and fails unless it is the only one.
  async function notificationFor(program, wanted) {
    fs.mkdirSync(path.join(work, '.vscode'), { recursive: true });
    fs.writeFileSync(path.join(work, '.vscode/settings.json'), JSON.stringify({ 'vornelScan.path': program }));
    await until(page, `a notification saying ${wanted.join(' and ')}`, (parts) => [...document.querySelectorAll('.notification-toast')]
      .some((toast) => parts.every((part) => toast.innerText.includes(part))), wanted);
    await sleep(2000);
    const shown = await page.evaluate(() => [...document.querySelectorAll('.notification-list-item-message')].map((t) => t.innerText));
    if (shown.length !== 1) throw new Error(`notifications: ${shown.join('\n')}`);
    console.log(`         it says: ${shown[0]}`);
    await command(page, 'Notifications: Clear All Notifications');
  }

  await step('with vornelScan.path pointing nowhere, a notification names the setting', async () => {
    await notificationFor(path.join(temp, 'nowhere/vornel-scan'), ['vornelScan.path', 'Install']);
    // The alerts of a server that is gone go with it.
    await untilWarnings(page, 0);
  });

  await step('a vornel-scan older than 1.0 gets the same notification', async () => {
    const old = path.join(temp, 'old-vornel-scan');
    fs.writeFileSync(old, '#!/bin/sh\necho "vornel-scan 0.9"\n', { mode: 0o755 });
    await notificationFor(old, ['vornelScan.path', 'vornel-scan 0.9', '1.0 or later']);
  });

  await step('the checker starts again when its setting is mended, and by its command', async () => {
    fs.rmSync(path.join(work, '.vscode'), { recursive: true });
    // The alerts left in alerts.csm, and new.csm's.
    await untilWarnings(page, alerts.length + 1);
    await command(page, 'Vornel: Restart the checker');
    await untilWarnings(page, alerts.length + 1);
  });

  // The tables' steps. The open scripts: alerts.csm with one alert of the
  // workspace's row, new.csm, and more.csm with two.
  const tags = path.join(work, 'tables/tags.txt');
  const tagRow = (fs.readFileSync(tags, 'latin1').match(/\r\n/g) ?? []).length + 1;
  await step('a row typed into tags.txt: a malformed one is an error as it is typed, a good one flags an open script before it is saved', async () => {
    await open(page, 'more.csm');
    await untilWarnings(page, alerts.length + 3);
    await open(page, 'tags.txt');
    await goTo(page, tagRow, 1);
    await page.keyboard.type(`"${newTag.code}","${newTag.message}"`);
    await untilCount(page, 'errors', 1);
    await untilProblems(page, ['expected 3 fields, found 2']);
    // The Problems view had the focus.
    await command(page, 'View: Focus Active Editor Group');
    await page.keyboard.press('End');
    await page.keyboard.type(',none');
    await page.keyboard.press('Enter');
    await untilCount(page, 'errors', 0);
    await untilWarnings(page, alerts.length + 4);
    await untilProblems(page, [place({ ...newTag, line: 4, column: 19 })]);
    if (fs.readFileSync(tags, 'latin1').includes(newTag.code)) throw new Error('tags.txt was saved');
    await command(page, 'File: Save');
    await untilFile(tags, (text) => text.endsWith(`"${newTag.code}","${newTag.message}",none\r\n`));
    await untilWarnings(page, alerts.length + 4);
  });

  await step('the outline lists the rows of tags.txt with their messages, Go to Symbol in Editor the typed one', async () => {
    const first = fs.readFileSync(tags, 'latin1').split('\r\n').slice(0, 3)
      .map((line) => ({ code: line.split('"')[1], message: line.split('"')[3] }));
    await command(page, 'Explorer: Focus on Outline View');
    await until(page, `the outline listing ${first.map((row) => row.code).join(', ')} with their messages`, (rows) =>
      rows.every((row) => [...document.querySelectorAll('.monaco-list-row')].some((r) =>
        r.querySelector('.label-name')?.textContent.trim() === row.code &&
        r.querySelector('.label-description')?.textContent.trim() === row.message)), first);
    await open(page, 'tags.txt');
    await command(page, 'Go to Symbol in Editor...');
    await page.keyboard.type(newTag.code);
    await until(page, `the symbol ${newTag.code}`, (code) => [...document.querySelectorAll('.quick-input-widget .monaco-list-row .label-name')]
      .some((label) => label.textContent.trim() === code), newTag.code);
    await page.keyboard.press('Enter');
    await untilSelection(page, 'tags.txt', tagRow);
  });

  await step('Go to Definition on a code in a script opens its row in the table', async () => {
    await open(page, 'more.csm');
    await goTo(page, 4, 21);
    await command(page, 'Go to Definition');
    await untilSelection(page, 'tags.txt', tagRow);
  });

  const paramRow = (fs.readFileSync(path.join(work, 'tables/param.txt'), 'latin1').match(/\r\n/g) ?? []).length;
  await step('a hover on a row counts its alerts in the scripts of the workspace', async () => {
    await open(page, 'param.txt');
    await goTo(page, paramRow, 3);
    await command(page, 'Show or Focus Hover');
    await until(page, 'a hover with 3 alerts in 2 scripts', () => [...document.querySelectorAll('.monaco-hover')]
      .some((hover) => hover.innerText.replace(/\s+/g, ' ').includes('3 alerts in 2 scripts')));
    await page.keyboard.press('Escape');
  });

  await step('Go to References on a row lists its alerts in the scripts', async () => {
    await goTo(page, paramRow, 3);
    await command(page, 'Go to References');
    // Each file's row: its name, its folder and how many references it holds.
    const counts = [['alerts.csm', 1], ['more.csm', 2]];
    await until(page, `the references: ${counts.map(([file, n]) => `${n} in ${file}`).join(', ')}`, (wanted) => {
      const rows = [...document.querySelectorAll('.reference-zone-widget .ref-tree .monaco-list-row')]
        .map((r) => r.innerText.replace(/\s+/g, ' ').trim());
      return wanted.every(([file, n]) => rows.some((row) => row.startsWith(file) && row.endsWith(` ${n}`)));
    }, counts);
    await page.keyboard.press('Escape');
  });

  await step('a code the project file gives the info severity shows as info', async () => {
    fs.writeFileSync(path.join(work, '.vornel-scan'), `severity = ${own.code}:info\n`);
    await untilCount(page, 'infos', 3);
    await untilWarnings(page, alerts.length + 1);
    await untilProblems(page, [`Info: ${place({ ...own, line: 2, column: 16 })}`]);
  });
}

const guard = setTimeout(() => {
  console.log('FAIL!  : the test took more than 8 minutes');
  cleanUp().finally(() => process.exit(1));
}, 480000);
let status = 0;
try {
  await main();
} catch (error) {
  status = 1;
  if (!results.includes(false)) console.log(`FAIL!  : ${error.stack}`);
  console.log(`code-server said:\n${serverLog.split('\n').slice(-20).join('\n')}`);
  // The extension's output channel: the server it started, and its stderr.
  const channels = fs.existsSync(path.join(userData, 'logs')) ? fs.readdirSync(path.join(userData, 'logs'), { recursive: true })
    .filter((file) => file.endsWith('Vornel Script Checker.log')) : [];
  for (const channel of channels)
    console.log(`the extension said:\n${fs.readFileSync(path.join(userData, 'logs', channel), 'utf8').split('\n').slice(-20).join('\n')}`);
  const pages = browser ? await browser.pages() : [];
  if (pages.length > 0 && screenshot) await pages.at(-1).screenshot({ path: screenshot.replace(/\.png$/, '-failed.png') });
} finally {
  clearTimeout(guard);
  await cleanUp();
}
console.log(`${results.filter((r) => r).length} passed, ${results.filter((r) => !r).length} failed`);
process.exit(status);
