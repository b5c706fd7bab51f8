// What scripts/web, scripts/run and scripts/content do to a machine and to the
// content, run in a scratch copy of the repository with stand-ins for apt,
// cmake, emscripten, npm and the asset generator on the PATH (each records its
// call), so no package is installed and nothing is built:
// scripts  the browser only for --test; deb-src entries only in build-web/apt,
//          never in /etc/apt; data/ made again when missing or older than the
//          generator, by the same rule from scripts/web and scripts/run, and a
//          failed generation made again next time
import { execFileSync, spawnSync } from 'node:child_process';
import { chmodSync, copyFileSync, existsSync, mkdirSync, readdirSync, readFileSync, statSync, utimesSync,
         writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const repository = join(dirname(fileURLToPath(import.meta.url)), '..', '..');

function writeScript(path, text) {
  mkdirSync(dirname(path), { recursive: true });
  writeFileSync(path, '#!/usr/bin/env bash\n' + text);
  chmodSync(path, 0o755);
}

// Stand-ins: each appends "name args" to $CALLS. dpkg-query reports the
// packages in $MISSING as not installed; apt-get source unpacks an empty
// PACKAGE-1.0 folder, the one version apt-cache lists; the generator counts its runs in data/generation.
function makeStandIns(root, bin) {
  const record = 'echo "$(basename "$0") $*" >>"$CALLS"\n';
  writeScript(join(bin, 'dpkg-query'), record +
    'for p in $MISSING; do [ "$p" = "${!#}" ] && exit 1; done\necho -n "install ok installed"\n');
  writeScript(join(bin, 'apt-get'), record +
    'for a in "$@"; do case $a in source) s=1 ;; -*|*::*) ;; *) [ -n "${s:-}" ] && mkdir -p "${a%%=*}-1.0" ;; esac; done\nexit 0\n');
  // apt-cache showsrc lists one version of each source package.
  writeScript(join(bin, 'apt-cache'), record +
    'for a in "$@"; do [ "$a" = showsrc ] && printf "Package: %s\\nVersion: 1.0-1\\n" "${!#}"; done\nexit 0\n');
  // Building the page makes its folder, as the real build does.
  writeScript(join(bin, 'cmake'), record +
    'for a in "$@"; do case $a in */build-web/out) mkdir -p "$a/site" ;; esac; done\n');
  for (const name of ['emcmake', 'npm', 'ctest', 'sudo']) {
    writeScript(join(bin, name), record + (name === 'sudo' ? 'exec "$@"\n' : ''));
  }
  writeScript(join(root, 'scripts', 'setup'), record);
  writeScript(join(root, 'build', 'tools', 'capture', 'morvel-capture'), record);
  writeScript(join(root, 'build', 'tools', 'assetgen', 'morvel-assetgen'), record +
    '[ -n "${GENERATOR_FAILS:-}" ] && { mkdir -p "$2/data"; echo half >"$2/data/generation"; exit 1; }\n' +
    'mkdir -p "$2/data/sound"; n=$(( $(cat "$2/data/generation" 2>/dev/null || echo 0) + 1 ))\n' +
    'echo "$n" >"$2/data/generation"; echo "track $n" >"$2/data/sound/track.mp3"\n');
}

function makeScratchRepository(scratch) {
  const root = join(scratch, 'repo'), bin = join(scratch, 'bin');
  for (const script of ['scripts/web', 'scripts/run', 'scripts/content', 'packaging/debian-sources.sh', 'LICENSE']) {
    mkdirSync(dirname(join(root, script)), { recursive: true });
    copyFileSync(join(repository, script), join(root, script));
  }
  makeStandIns(root, bin);
  mkdirSync(join(root, 'build-web', 'out', 'site'), { recursive: true });
  mkdirSync(join(root, 'build-web', 'jpeg-build'), { recursive: true });
  writeFileSync(join(root, 'build-web', 'jpeg-build', 'libjpeg.a'), '');
  writeFileSync(join(root, 'build', 'CMakeCache.txt'), '');
  return { root, bin };
}

// Runs a script of the scratch repository; returns its exit status and the calls made.
function run(env, args, extra = {}) {
  writeFileSync(env.calls, '');
  const result = spawnSync(join(env.root, 'scripts', args[0]), args.slice(1), {
    cwd: env.root, encoding: 'utf8', timeout: 60000,
    env: { ...process.env, PATH: `${env.bin}:${process.env.PATH}`, CALLS: env.calls, DISPLAY: '',
           WAYLAND_DISPLAY: '', MISSING: '', ...extra },
  });
  const calls = readFileSync(env.calls, 'utf8').split('\n').filter(Boolean);
  return { status: result.status, calls, output: result.stdout + result.stderr };
}

const generations = (calls) => calls.filter((c) => c.startsWith('morvel-assetgen')).length;
const installs = (calls) => calls.filter((c) => c.startsWith('apt-get') && c.includes(' install '));

// Every file under /etc/apt with its size and time, to see that nothing changed there.
function snapshot(folder) {
  if (!existsSync(folder)) return '';
  return readdirSync(folder, { recursive: true }).sort().map((name) => {
    const stat = statSync(join(folder, name));
    return `${name} ${stat.size} ${stat.mtimeMs}`;
  }).join('\n');
}

// As after a rebuild of the generator: the generator newer than the content's stamp.
function rebuildGenerator(env) {
  const now = new Date(), before = new Date(Date.now() - 60000);
  const stamp = join(env.root, 'data', '.generated');
  if (existsSync(stamp)) utimesSync(stamp, before, before);
  utimesSync(join(env.root, 'build', 'tools', 'assetgen', 'morvel-assetgen'), now, now);
}

export async function scriptsGroup({ scratch, check }) {
  const env = { ...makeScratchRepository(scratch), calls: join(scratch, 'calls') };
  const site = join(env.root, 'build-web', 'out', 'site');
  const etcBefore = snapshot('/etc/apt');

  let result = run(env, ['web', '--build'], { MISSING: 'emscripten chromium' });
  check(result.status === 0, 'scripts/web --build runs through with the stand-ins' +
        (result.status ? ': ' + result.output : ''));
  const built = installs(result.calls);
  check(built.some((c) => c.includes('emscripten')) && !built.some((c) => c.includes('chromium')),
        `--build installs emscripten but not the browser (${built.join(' | ')})`);
  const update = result.calls.find((c) => c.startsWith('apt-get') && c.includes(' update') && c.includes('Dir::'));
  const parts = join(env.root, 'build-web', 'apt', 'sources.list.d');
  const privateLists = [join(env.root, 'build-web', 'apt', 'sources.list'),
                        ...(existsSync(parts) ? readdirSync(parts).map((n) => join(parts, n)) : [])]
    .filter((f) => existsSync(f)).map((f) => readFileSync(f, 'utf8')).join('\n');
  check(update && update.includes(`Dir::Etc::SourceParts=${parts}`) && /deb-src/.test(privateLists),
        `the deb-src entries are read from a private configuration under build-web/apt (${update})`);
  check(result.calls.filter((c) => c.includes(' source ')).length === 4 &&
        result.calls.filter((c) => c.includes(' source ')).every((c) => c.includes('Dir::State::Lists=' + env.root)),
        'apt-get source uses that configuration for the four libraries');
  check(snapshot('/etc/apt') === etcBefore, 'nothing under /etc/apt was added or changed');

  result = run(env, ['web', '--test'], { MISSING: 'chromium' });
  check(result.status === 0 && installs(result.calls).some((c) => c.includes('chromium')),
        `--test installs the browser (${installs(result.calls).join(' | ')})`);

  // The content: made once, then only when the generator is newer.
  result = run(env, ['web', '--build']);
  check(generations(result.calls) === 0, 'a second build keeps the content');
  check(readFileSync(join(site, 'data', 'sound', 'track.mp3'), 'utf8') === 'track 1\n' &&
        !existsSync(join(site, 'data', '.generated')), 'the site has the content, without the stamp');
  rebuildGenerator(env);
  result = run(env, ['web', '--build']);
  check(generations(result.calls) === 1 && readFileSync(join(site, 'data', 'sound', 'track.mp3'), 'utf8') === 'track 2\n',
        'scripts/web makes it again once the generator is newer, and publishes the new content');
  rebuildGenerator(env);
  result = run(env, ['run']);
  check(result.status === 0 && generations(result.calls) === 1, 'scripts/run follows the same rule' +
        (result.status ? ': ' + result.output : ''));
  result = run(env, ['web', '--build']);
  check(generations(result.calls) === 0, 'and scripts/web then finds that content current');

  // scripts/content on its own: missing data, a failing generator, an old tree without the stamp.
  const content = (extra) => run(env, ['content', join(env.root, 'build', 'tools', 'assetgen', 'morvel-assetgen')], extra);
  execFileSync('rm', ['-rf', join(env.root, 'data')]);
  check(generations(content().calls) === 1, 'missing data/ is made');
  rebuildGenerator(env);
  result = content({ GENERATOR_FAILS: '1' });
  check(result.status !== 0 && !existsSync(join(env.root, 'data', '.generated')),
        'a failing generator fails the script and leaves no stamp');
  check(generations(content().calls) === 1, 'so the next run makes the content again');
  execFileSync('rm', [join(env.root, 'data', '.generated')]);
  check(generations(content().calls) === 1, 'data/ without the stamp (made by an older script) is made again');
  result = content();
  check(generations(result.calls) === 0 && result.status === 0, 'current content is left alone');
  result = run(env, ['content', join(scratch, 'nowhere')]);
  check(result.status !== 0 && result.output.includes('nowhere'), `a missing generator is named: ${result.output.trim()}`);
}
