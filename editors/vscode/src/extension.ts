// Starts `vornel-scan --lsp` for the scripts and the tables (tags.txt,
// param.txt) open in the editor; the server does all the checking, hovers,
// quick fixes and links between them, and itself tells the tables folder in
// force from any other file of those names. What is here: finding the
// program, telling the user once when it cannot be used, and starting it
// again when its settings change.

import { execFile } from 'child_process';
import * as path from 'path';
import * as vscode from 'vscode';
import { LanguageClient } from 'vscode-languageclient/node';

const section = 'vornelScan';
// The oldest vornel-scan whose --lsp takes every option passed here.
const oldest = [1, 0];
// The oldest that serves the tables; an older one would check a table as a
// script.
const servesTables = [1, 1];
const installHint =
  'Install the checker (the vornel-script-checker Debian package, or from source) ' +
  `and set ${section}.path to the vornel-scan program.`;

let output: vscode.OutputChannel;
let client: LanguageClient | undefined;
// The program and arguments of the last start, whether or not it served.
let started = '';
// Restarts one after the other, so that two quick changes of the settings
// never leave two servers.
let pending: Promise<void> = Promise.resolve();

export function activate(context: vscode.ExtensionContext): Promise<void> {
  output = vscode.window.createOutputChannel('Vornel Script Checker');
  context.subscriptions.push(
    output,
    vscode.commands.registerCommand(`${section}.restart`, restart),
    // Every change is looked at, not only those that say they affect this
    // section: code-server can activate the extension before the user's
    // settings are in force, and the events that then bring them in do not
    // say which keys they changed.
    vscode.workspace.onDidChangeConfiguration(() => {
      pending = pending.then(() => (launch().key === started ? undefined : stop().then(start)));
    }),
  );
  return restart();
}

export function deactivate(): Promise<void> {
  return (pending = pending.then(stop));
}

function restart(): Promise<void> {
  return (pending = pending.then(stop).then(start));
}

async function stop(): Promise<void> {
  const running = client;
  client = undefined;
  if (running) await running.dispose().catch((error) => output.appendLine(String(error)));
}

// A setting's path, relative to the first workspace folder; empty stays empty.
function settingPath(value: string): string {
  const folder = vscode.workspace.workspaceFolders?.[0]?.uri.fsPath;
  if (!value || path.isAbsolute(value) || !folder) return value;
  return path.join(folder, value);
}

function serverArguments(config: vscode.WorkspaceConfiguration): string[] {
  const args = ['--lsp'];
  const tables = settingPath(config.get<string>('tables', ''));
  if (tables) args.push('--tables', tables);
  const projectFile = settingPath(config.get<string>('config', ''));
  if (config.get<boolean>('noConfig', false)) args.push('--no-config');
  else if (projectFile) args.push('--config', projectFile);
  const lineEnds = config.get<string>('lineEnds', 'project');
  if (lineEnds !== 'project') args.push('--line-ends', lineEnds);
  return args;
}

const atLeast = (version: number[], wanted: number[]) =>
  version[0] > wanted[0] || (version[0] === wanted[0] && version[1] >= wanted[1]);

// The version of `program` ([major, minor]), or why it cannot serve.
function probe(program: string): Promise<{ version: number[] } | { problem: string }> {
  return new Promise((resolve) => {
    execFile(program, ['--version'], { timeout: 10000 }, (error, stdout) => {
      if (error) {
        const code = (error as NodeJS.ErrnoException).code;
        resolve({
          problem: code === 'ENOENT' ? `'${program}' was not found.` : `'${program}' could not be run: ${error.message.trim()}.`,
        });
        return;
      }
      const found = /^vornel-scan (\d+)\.(\d+)/.exec(stdout);
      const version = found ? [Number(found[1]), Number(found[2])] : [];
      resolve(
        version.length > 0 && atLeast(version, oldest)
          ? { version }
          : {
              problem: `'${program}' is ${stdout.trim() || 'no vornel-scan'}; this extension needs vornel-scan ${oldest.join('.')} or later.`,
            },
      );
    });
  });
}

// What the settings in force now start: the program, its arguments, and
// both as one key.
function launch(): { program: string; args: string[]; key: string } {
  const config = vscode.workspace.getConfiguration(section);
  // A bare name is looked for on PATH, as a shell does.
  const named = config.get<string>('path', '').trim() || 'vornel-scan';
  const program = named.includes('/') ? settingPath(named) : named;
  const args = serverArguments(config);
  return { program, args, key: JSON.stringify([program, ...args]) };
}

async function start(): Promise<void> {
  const { program, args, key } = launch();
  started = key;
  const probed = await probe(program);
  if ('problem' in probed) {
    const problem = probed.problem;
    output.appendLine(problem);
    const open = 'Open Settings';
    void vscode.window
      .showWarningMessage(`${problem} ${installHint}`, open)
      .then((choice) => choice === open && vscode.commands.executeCommand('workbench.action.openSettings', `${section}.path`));
    return;
  }
  output.appendLine(`Starting ${program} ${args.join(' ')}`);
  client = new LanguageClient(
    'vornelScan',
    'vornel-scan',
    { command: program, args, options: { cwd: vscode.workspace.workspaceFolders?.[0]?.uri.fsPath } },
    {
      documentSelector: [
        { scheme: 'file', language: 'csm' },
        { scheme: 'untitled', language: 'csm' },
        // A table is told by its path, which an untitled one lacks.
        ...(atLeast(probed.version, servesTables) ? [{ scheme: 'file', language: 'vornel-table' }] : []),
      ],
      outputChannel: output,
    },
  );
  await client.start().catch((error) => {
    output.appendLine(String(error));
    void vscode.window.showErrorMessage(`vornel-scan --lsp did not start: ${error}. ${installHint}`);
  });
}
