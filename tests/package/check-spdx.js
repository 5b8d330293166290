// Usage: node check-spdx.js DOCUMENT SHA256 CREATED
// Checks a bill of materials against what SPDX 2.3 requires of a document and
// its packages, that it describes the .scr with the given SHA-256 and was
// created at CREATED, and that every licence expression parses against the
// SPDX licence list (Debian's node-spdx-* packages). Prints "name version"
// per component, and one line per fault to stderr, exiting 1 if there is any.
'use strict';
const fs = require('fs');
const parse = require('spdx-expression-parse');

const [file, sha, created] = process.argv.slice(2);
const doc = JSON.parse(fs.readFileSync(file, 'utf8'));
const faults = [];
const expect = (ok, what) => { if (!ok) faults.push(what); };

expect(doc.spdxVersion === 'SPDX-2.3', 'spdxVersion is not SPDX-2.3');
expect(doc.dataLicense === 'CC0-1.0', 'dataLicense is not CC0-1.0');
expect(doc.SPDXID === 'SPDXRef-DOCUMENT', 'the document is not SPDXRef-DOCUMENT');
expect(typeof doc.name === 'string' && doc.name !== '', 'no document name');
expect(/^https?:\/\/[^#]+$/.test(doc.documentNamespace || '') && doc.documentNamespace.includes(sha),
       'documentNamespace is no URI without # naming the .scr\'s hash');
const info = doc.creationInfo || {};
expect(info.created === created, `created is ${info.created}, not ${created}`);
expect(Array.isArray(info.creators) && info.creators.every(c => /^(Person|Organization|Tool): \S/.test(c)),
       'creators missing or malformed');

const refs = new Set((doc.hasExtractedLicensingInfos || []).map(l => l.licenseId));
const licenceIds = tree => tree.license !== undefined ? [tree.license]
                                                     : [...licenceIds(tree.left), ...licenceIds(tree.right)];
const ids = new Set();
for (const p of doc.packages || []) {
  const name = p.name || '(unnamed)';
  for (const field of ['name', 'SPDXID', 'downloadLocation'])
    expect(typeof p[field] === 'string' && p[field] !== '', `${name}: no ${field}`);
  expect(/^SPDXRef-[A-Za-z0-9.-]+$/.test(p.SPDXID) && !ids.has(p.SPDXID), `${name}: bad or repeated SPDXID`);
  ids.add(p.SPDXID);
  expect(p.filesAnalyzed === false, `${name}: filesAnalyzed is not false`);
  for (const field of ['licenseConcluded', 'licenseDeclared']) {
    const text = p[field];
    if (text === undefined || text === 'NOASSERTION' || text === 'NONE') continue;
    try {
      for (const id of licenceIds(parse(text)))
        expect(!id.startsWith('LicenseRef-') || refs.has(id), `${name}: ${id} is not defined in the document`);
    } catch (e) {
      faults.push(`${name}: ${field} "${text}" does not parse: ${e.message}`);
    }
  }
}
const described = (doc.relationships || []).filter(r => r.spdxElementId === 'SPDXRef-DOCUMENT' &&
                                                        r.relationshipType === 'DESCRIBES');
const top = (doc.packages || []).find(p => described.length === 1 && p.SPDXID === described[0].relatedSpdxElement);
expect(top !== undefined, 'the document does not describe exactly one package');
if (top) {
  const sums = (top.checksums || []).filter(c => c.algorithm === 'SHA256').map(c => c.checksumValue);
  expect(sums.length === 1 && sums[0] === sha, `the described package's SHA-256 is ${sums}, not ${sha}`);
}
for (const r of doc.relationships || [])
  expect(ids.has(r.spdxElementId) || r.spdxElementId === 'SPDXRef-DOCUMENT', `relationship from unknown ${r.spdxElementId}`);
for (const r of doc.relationships || [])
  expect(ids.has(r.relatedSpdxElement), `relationship to unknown ${r.relatedSpdxElement}`);

for (const p of doc.packages || []) if (p !== top) console.log(`${p.name} ${p.versionInfo}`);
for (const f of faults) console.error(`FAULT ${f}`);
process.exit(faults.length ? 1 : 0);
