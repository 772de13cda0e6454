// Reads JCAMP-DX files with jcampconverter and prints, as one JSON array on standard output,
// what it made of each file given on the command line:
//
//   [{"file": PATH, "entries": [{"title": T, "dataType": D, "dataClass": C, "children": N,
//                                "spectra": [{"x": [...], "y": [...]}, ...]}, ...]},
//    {"file": PATH, "error": MESSAGE}, ...]
//
// The entries are convert()'s `flatten` list in its order (a compound file's LINK entry
// included, with the number of its children); numbers that are not finite come out as null.
// Files are read as Latin-1, so that every byte is one character.
//
// Usage: node read_jcamp.mjs FILE...
import { readFileSync } from 'node:fs';
import { convert } from 'jcampconverter';

function readOne(path) {
  try {
    const result = convert(readFileSync(path, 'latin1'), { keepRecordsRegExp: /^$/ });
    return {
      file: path,
      entries: result.flatten.map((entry) => ({
        title: entry.title ?? null,
        dataType: entry.dataType ?? null,
        dataClass: entry.dataClass ?? null,
        children: entry.children ? entry.children.length : 0,
        spectra: (entry.spectra ?? []).map((s) => ({
          x: Array.from(s.data?.x ?? []),
          y: Array.from(s.data?.y ?? []),
        })),
      })),
    };
  } catch (e) {
    return { file: path, error: String(e && e.stack ? e.stack : e) };
  }
}

const files = process.argv.slice(2);
process.stdout.write(JSON.stringify(files.map(readOne)) + '\n');
