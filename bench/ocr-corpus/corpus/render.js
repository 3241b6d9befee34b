#!/usr/bin/env node
// Renders the corpus: README.md files (already extracted by ./build) and synthetic HTML pages are turned into
// viewport screenshots (NAME.png) plus ground truth (NAME.truth.json) with playwright-core driving /usr/bin/chromium.
// Usage: node render.js [--only SUBSTRING] [--manifest FILE] [--out DIR]
//   (manifest defaults to manifest.json here; images go to --out, else beside the manifest; see ./build)
'use strict';
const fs = require('fs');
const path = require('path');
const { pathToFileURL } = require('url');

const HERE = __dirname;
const WORK = process.env.CORPUS_WORK || path.join(HERE, '.build');
const NODE = path.join(WORK, 'node', 'node_modules');
const arg = (name) => { const i = process.argv.indexOf(name); return i > 0 ? process.argv[i + 1] : null; };
const ONLY = arg('--only');
const MANIFEST = path.resolve(arg('--manifest') || path.join(HERE, 'manifest.json'));
// Synthetic pages' files are named relative to their manifest.
const MANIFEST_DIR = path.dirname(MANIFEST);
const OUT = path.resolve(arg('--out') || process.env.CORPUS_OUT || MANIFEST_DIR);

const CJK_FONT = { zh: 'Noto Sans CJK SC', ja: 'Noto Sans CJK JP', ko: 'Noto Sans CJK KR', en: 'Noto Sans CJK SC' };
const HTML_LANG = { zh: 'zh-CN', ja: 'ja', ko: 'ko', en: 'en' };

const CJK_SERIF = { zh: 'Noto Serif CJK SC', ja: 'Noto Serif CJK JP', ko: 'Noto Serif CJK KR', en: 'Noto Serif CJK SC' };

// Looks that the first corpus never used, so that layout rules can be measured on pages they were not tuned on.
//   paper    serif document, 17 px, centred 760 px column, rules only above/below tables and under the header row,
//            square bullets, nested numbers a. b. c.
//   large    large type (19 px sans), wide left-aligned column, tables with no rules at all (aligned columns only),
//            disc bullets then circles, nested numbers a. b. c.
//   compact  small type (13 px sans), tinted table header, horizontal rules between rows and none between columns,
//            circle bullets then squares, nested numbers a. b. c.
// A shot may override the top-level bullet with "bullets": "disc" | "circle" | "square".
function lookCss(style, theme, lang, bullets) {
  const sans = `"${CJK_FONT[lang] || CJK_FONT.en}"`;
  const serif = `"${CJK_SERIF[lang] || CJK_SERIF.en}"`;
  const dark = theme === 'dark';
  const L = {
    paper: {
      font: `"Liberation Serif", ${serif}, serif`, size: 17, lh: 1.55, width: 760, margin: '0 auto', pad: '40px 48px 48px',
      bg: dark ? '#22211f' : '#fdfcf8', fg: dark ? '#e4e0d8' : '#1b1a17', muted: dark ? '#a8a293' : '#6b665c',
      rule: dark ? '#8a857a' : '#3a3833', code: dark ? '#2d2c29' : '#f1eee6', accent: dark ? '#e4e0d8' : '#1b1a17', link: dark ? '#9fc1e8' : '#1d4f91',
      ul: ['square', 'disc', 'circle'],
    },
    large: {
      font: `"Liberation Sans", ${sans}, sans-serif`, size: 19, lh: 1.6, width: 1040, margin: '0 0 0 48px', pad: '36px 32px 48px',
      bg: dark ? '#121417' : '#ffffff', fg: dark ? '#e8e8e8' : '#17191c', muted: dark ? '#9aa0a6' : '#5f6368',
      rule: dark ? '#3c4043' : '#dadce0', code: dark ? '#202327' : '#f1f3f4', accent: dark ? '#8ab4f8' : '#1a73e8', link: dark ? '#8ab4f8' : '#1a73e8',
      ul: ['disc', 'circle', 'square'],
    },
    compact: {
      font: `"DejaVu Sans", ${sans}, sans-serif`, size: 13, lh: 1.4, width: 1000, margin: '0 0 0 24px', pad: '18px 20px 32px',
      bg: dark ? '#1b1d23' : '#fbfbfc', fg: dark ? '#d4d7dd' : '#24292f', muted: dark ? '#8b919a' : '#636c76',
      rule: dark ? '#353a44' : '#d8dee4', code: dark ? '#252830' : '#eef1f4', accent: dark ? '#d4d7dd' : '#24292f', link: dark ? '#79b8ff' : '#0550ae',
      ul: ['circle', 'square', 'disc'],
      head: dark ? '#2a3342' : '#e3ebf6',
    },
  }[style];
  const ul = bullets ? [bullets, ...L.ul.filter(b => b !== bullets)] : L.ul;
  const mono = `"Liberation Mono", "DejaVu Sans Mono", ${sans}, monospace`;
  const table = {
    paper: `table { border-collapse: collapse; border-top: 2px solid ${L.rule}; border-bottom: 2px solid ${L.rule}; }
      th, td { padding: 5px 16px 5px 0; border: 0; vertical-align: top; text-align: left; }
      thead th { border-bottom: 1px solid ${L.rule}; font-weight: 700; }`,
    large: `table { border-collapse: collapse; }
      th, td { padding: 5px 36px 5px 0; border: 0; vertical-align: top; text-align: left; }
      th { font-weight: 700; }`,
    compact: `table { border-collapse: collapse; }
      th, td { padding: 4px 12px; border: 0; border-bottom: 1px solid ${L.rule}; vertical-align: top; text-align: left; }
      thead th { background: ${L.head}; font-weight: 600; }`,
  }[style];
  const heads = {
    paper: `h1 { font-size: 2.1em; } h2 { font-size: 1.55em; } h3 { font-size: 1.25em; font-style: italic; font-weight: 700; }`,
    large: `h1 { font-size: 1.9em; border-left: 6px solid ${L.accent}; padding-left: 14px; } h2 { font-size: 1.45em; color: ${L.accent}; } h3 { font-size: 1.2em; }`,
    compact: `h1 { font-size: 1.6em; } h2 { font-size: 1.3em; padding-bottom: .2em; border-bottom: 1px solid ${L.rule}; } h3 { font-size: 1.12em; }`,
  }[style];
  return `
  html { background: ${L.bg}; }
  body { margin: 0; background: ${L.bg}; color: ${L.fg}; font-family: ${L.font}; font-size: ${L.size}px; line-height: ${L.lh}; -webkit-font-smoothing: antialiased; }
  main { max-width: ${L.width}px; margin: ${L.margin}; padding: ${L.pad}; overflow-wrap: anywhere; }
  a { color: ${L.link}; text-decoration: ${style === 'paper' ? 'underline' : 'none'}; }
  h1, h2, h3, h4, h5, h6 { margin: 1.3em 0 0.5em; font-weight: 700; line-height: 1.25; }
  ${heads} h4 { font-size: 1em; } h5 { font-size: .9em; } h6 { font-size: .85em; color: ${L.muted}; }
  main > :first-child { margin-top: 0; }
  p, ul, ol, table, pre, blockquote, dl { margin: 0 0 ${Math.round(L.size * 0.9)}px; }
  ul, ol { padding-left: 1.8em; } li + li { margin-top: .2em; } li > ul, li > ol { margin: .2em 0 0; }
  ul { list-style-type: ${ul[0]}; } ul ul { list-style-type: ${ul[1]}; } ul ul ul { list-style-type: ${ul[2]}; }
  ol { list-style-type: decimal; } ol ol { list-style-type: lower-alpha; } ol ol ol { list-style-type: lower-roman; }
  blockquote { margin-left: 0; padding: 0 1em; color: ${L.muted}; border-left: 3px solid ${L.rule}; ${style === 'paper' ? 'font-style: italic;' : ''} }
  code, kbd { font-family: ${mono}; font-size: 88%; background: ${L.code}; padding: .1em .3em; border-radius: 3px; }
  pre { font-family: ${mono}; font-size: 88%; line-height: 1.4; background: ${L.code}; padding: 12px 14px; border-radius: ${style === 'large' ? 8 : 2}px; overflow: hidden; ${style === 'paper' ? `border: 1px solid ${L.rule};` : ''} }
  pre code { background: none; padding: 0; font-size: 100%; }
  ${table}
  hr { border: 0; height: 1px; background: ${L.rule}; margin: 20px 0; }
  `;
}

// Two document-viewer looks (a centred GitHub-like column and a left-aligned notes-like column), light or dark.
function css(style, theme, lang, bullets) {
  if (style === 'paper' || style === 'large' || style === 'compact') return lookCss(style, theme, lang, bullets);
  const cjk = `"${CJK_FONT[lang] || CJK_FONT.en}"`;
  const dark = theme === 'dark';
  const c = dark
    ? { bg: style === 'notes' ? '#1e1f22' : '#0d1117', fg: style === 'notes' ? '#d6d6d6' : '#e6edf3', muted: '#9198a1', border: '#3d444d', code: '#1f242c', zebra: '#151b23', link: '#4493f8' }
    : { bg: '#ffffff', fg: style === 'notes' ? '#202124' : '#1f2328', muted: '#59636e', border: '#d1d9e0', code: '#f3f4f6', zebra: '#f6f8fa', link: '#0969da' };
  const base = style === 'notes'
    ? { font: `"DejaVu Sans", ${cjk}, sans-serif`, size: 15, lh: 1.45, width: 780, margin: '0 0 0 72px', pad: '28px 24px 40px' }
    : { font: `-apple-system, "Segoe UI", "Helvetica Neue", Arial, ${cjk}, sans-serif`, size: 16, lh: 1.5, width: 900, margin: '0 auto', pad: '32px 40px 48px' };
  return `
  html { background: ${c.bg}; }
  body { margin: 0; background: ${c.bg}; color: ${c.fg}; font-family: ${base.font}; font-size: ${base.size}px; line-height: ${base.lh}; -webkit-font-smoothing: antialiased; }
  main { max-width: ${base.width}px; margin: ${base.margin}; padding: ${base.pad}; overflow-wrap: anywhere; }
  a { color: ${c.link}; text-decoration: none; }
  h1, h2, h3, h4, h5, h6 { margin: 1.4em 0 0.6em; font-weight: 600; line-height: 1.25; }
  h1 { font-size: 2em; ${style === 'notes' ? '' : `padding-bottom: .3em; border-bottom: 1px solid ${c.border};`} }
  h2 { font-size: 1.5em; ${style === 'notes' ? '' : `padding-bottom: .3em; border-bottom: 1px solid ${c.border};`} }
  h3 { font-size: 1.25em; } h4 { font-size: 1em; } h5 { font-size: .875em; } h6 { font-size: .85em; color: ${c.muted}; }
  main > :first-child { margin-top: 0; }
  p, ul, ol, table, pre, blockquote, dl { margin: 0 0 16px; }
  ul, ol { padding-left: 2em; } li + li { margin-top: .25em; } li > ul, li > ol { margin: .25em 0 0; }
  blockquote { margin-left: 0; padding: 0 1em; color: ${c.muted}; border-left: .25em solid ${c.border}; }
  code, kbd { font-family: "DejaVu Sans Mono", "Liberation Mono", ${cjk}, monospace; font-size: 85%; background: ${c.code}; padding: .15em .35em; border-radius: 5px; }
  pre { font-family: "DejaVu Sans Mono", "Liberation Mono", ${cjk}, monospace; font-size: 85%; line-height: 1.45; background: ${c.code}; padding: 14px 16px; border-radius: 6px; overflow: hidden; }
  pre code { background: none; padding: 0; font-size: 100%; }
  table { border-collapse: collapse; max-width: 100%; }
  th, td { padding: 6px 13px; ${style === 'notes' ? `border-bottom: 1px solid ${c.border};` : `border: 1px solid ${c.border};`} vertical-align: top; text-align: left; }
  th { font-weight: 600; }
  tbody tr:nth-child(2n) { background: ${style === 'notes' ? 'transparent' : c.zebra}; }
  hr { border: 0; height: 2px; background: ${c.border}; margin: 24px 0; }
  `;
}

function stripHtml(html) {
  // No network: images and embedded media never load (the page's requests are also aborted).
  return html
    .replace(/<script[\s\S]*?<\/script>/gi, '')
    .replace(/<style[\s\S]*?<\/style>/gi, '')
    .replace(/<svg[\s\S]*?<\/svg>/gi, '')
    .replace(/<(img|source|video|audio|iframe|embed|object|picture)\b[^>]*>/gi, '')
    .replace(/<\/(video|audio|iframe|object|picture)>/gi, '');
}

async function main() {
  const { marked } = await import(pathToFileURL(path.join(NODE, 'marked', 'lib', 'marked.esm.js')).href);
  const { chromium } = require(path.join(NODE, 'playwright-core'));
  const manifest = JSON.parse(fs.readFileSync(MANIFEST, 'utf8'));
  const pageScript = fs.readFileSync(path.join(HERE, 'page-truth.js'), 'utf8');

  // One job per image.
  const jobs = [];
  for (const pkg of manifest.packages || []) {
    const slug = pkg.slug || pkg.name.replace(/^@/, '').replace(/\//g, '-');
    for (const s of pkg.shots) {
      jobs.push({ name: `${slug}-${s.id}`, kind: 'readme', pkg, slug, shot: s, lang: pkg.lang });
    }
  }
  for (const s of manifest.synthetic || []) jobs.push({ name: s.name, kind: 'synthetic', shot: s, lang: s.lang || 'en' });
  const todo = jobs.filter(j => !ONLY || j.name.includes(ONLY));

  const byDsf = new Map();
  for (const j of todo) { const d = j.shot.dsf || 1; if (!byDsf.has(d)) byDsf.set(d, []); byDsf.get(d).push(j); }

  const summary = [];
  let failures = 0;
  for (const [dsf, group] of byDsf) {
    const profile = path.join(WORK, `profile-${dsf}x`);
    fs.rmSync(profile, { recursive: true, force: true });
    const ctx = await chromium.launchPersistentContext(profile, {
      executablePath: '/usr/bin/chromium',
      headless: true,
      args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
        '--disable-component-update', '--disable-sync', '--font-render-hinting=none', '--hide-scrollbars'],
      viewport: { width: 1280, height: 900 },
      deviceScaleFactor: dsf,
      colorScheme: 'light',
      offline: true,
    });
    await ctx.route('**/*', (route) => {
      const u = route.request().url();
      return u.startsWith('data:') || u.startsWith('about:') ? route.continue() : route.abort();
    });
    for (const j of group) {
      const s = j.shot;
      const [vw, vh] = s.viewport || [1280, 900];
      const page = await ctx.newPage();
      await page.setViewportSize({ width: vw, height: vh });
      let html, source;
      if (j.kind === 'readme') {
        const md = fs.readFileSync(path.join(WORK, 'src', `${j.slug}.md`), 'utf8');
        const body = stripHtml(marked.parse(md, { gfm: true }));
        html = `<!doctype html><html lang="${HTML_LANG[j.lang] || 'en'}"><head><meta charset="utf-8"><style>${css(s.style || 'doc', s.theme || 'light', j.lang, s.bullets)}</style></head><body><main>${body}</main></body></html>`;
        source = `npm:${j.pkg.name}@${j.pkg.version} README.md`;
      } else {
        html = fs.readFileSync(path.join(MANIFEST_DIR, s.file), 'utf8');
        source = `synthetic:${s.file}`;
      }
      await page.setContent(html, { waitUntil: 'load' });
      await page.addScriptTag({ content: pageScript });
      await page.evaluate(() => document.fonts.ready);
      if (j.kind === 'readme') await page.evaluate(() => window.__bench.clean());
      let y;
      try { y = await page.evaluate((at) => window.__bench.targetY(at), s.at || 'top'); } catch (e) {
        console.error(`${j.name}: ${String(e.message).split('\n')[0]}`); failures++; await page.close(); continue;
      }
      await page.evaluate((yy) => window.scrollTo(0, yy), y);
      const scrollY = await page.evaluate(() => window.scrollY);
      const settled = await page.evaluate(() => window.__bench.settle());
      const elements = await page.evaluate(() => window.__bench.truth());
      const png = path.join(OUT, `${j.name}.png`);
      await page.screenshot({ path: png, type: 'png', animations: 'disabled', caret: 'hide' });
      const truth = {
        image: `${j.name}.png`, source, lang: j.lang, viewport: [vw, vh], dsf, width: vw * dsf, height: vh * dsf,
        theme: s.theme || 'light', style: s.style || (j.kind === 'readme' ? 'doc' : 'custom'), target: s.at || 'top', scrollY,
        elements,
      };
      fs.writeFileSync(path.join(OUT, `${j.name}.truth.json`), JSON.stringify(truth, null, 1) + '\n');
      const count = (k) => elements.filter(e => e.kind === k).length;
      const line = `${j.name.padEnd(44)} ${vw}x${vh}@${dsf}x ${(s.theme || 'light').padEnd(5)} y=${String(Math.round(scrollY)).padStart(5)} ` +
        `h=${count('heading')} p=${count('paragraph')} list=${count('list')}(${elements.filter(e => e.kind === 'list').reduce((a, e) => a + e.items.length, 0)} items) ` +
        `table=${count('table')} code=${count('code')} hidden=${settled.hidden} orphans=${settled.orphans} ${(fs.statSync(png).size / 1024).toFixed(0)}KiB`;
      console.log(line);
      summary.push(line);
      await page.close();
    }
    await ctx.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
  if (failures) { console.error(`${failures} shot(s) failed`); process.exitCode = 1; }
  if (!ONLY && !failures) {
    // Remove images from earlier builds that are no longer in the manifest.
    const keep = new Set(jobs.map(j => j.name));
    for (const f of fs.readdirSync(OUT)) {
      const m = f.match(/^(.*)\.(png|truth\.json)$/);
      if (m && !keep.has(m[1])) fs.rmSync(path.join(OUT, f));
    }
  }
}

main().catch((e) => { console.error(e && e.stack || e); process.exit(1); });
