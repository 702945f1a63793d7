#!/bin/sh
# Validates a bill of materials against the CycloneDX 1.5 JSON schema with the CycloneDX
# project's own validator (npm @cyclonedx/cyclonedx-library, which scripts/setup installs beside
# this file), and checks what it must name: the release's three files with their SHA-256, and
# the runtime linked into the exe, each with a version and a licence.
#   check-sbom.sh <bom>
set -u
bom=$1
tools=$(dirname "$0")/sbom-validator
[ -d "$tools/node_modules/@cyclonedx/cyclonedx-library" ] ||
    { echo "FAIL: no validator in $tools: run scripts/setup"; exit 1; }
NODE_PATH=$tools/node_modules node - "$bom" <<'EOF_JS'
const fs = require('fs');
const cdx = require('@cyclonedx/cyclonedx-library');
const text = fs.readFileSync(process.argv[2], 'utf8');
const bom = JSON.parse(text);
const problems = [];
const files = bom.components.filter(c => c.type === 'file');
for (const name of ['GetSessionLevel.exe', /-win32\.zip$/, /-win32\.msi$/]) {
    const file = files.find(c => (typeof name === 'string' ? c.name === name : name.test(c.name)));
    if (!file || !/^[0-9a-f]{64}$/.test((file.hashes || [{}])[0].content || ''))
        problems.push(`no SHA-256 of ${name}`);
}
const libraries = bom.components.filter(c => c.type === 'library');
for (const part of [/^g\+\+-mingw-w64-i686-win32$/, /^gcc-mingw-w64-i686-win32$/, /^gcc-mingw-w64-i686-posix$/, /^mingw-w64-i686-dev$/])
    if (!libraries.some(c => part.test(c.name) && c.version && c.licenses && c.licenses.length))
        problems.push(`no version and licence of ${part}`);
new cdx.Validation.JsonStrictValidator('1.5').validate(text).then(error => {
    if (error) problems.push('schema: ' + String(JSON.stringify(error.details ?? error)).slice(0, 600));
    if (problems.length) {
        console.log('FAIL: ' + problems.join('\nFAIL: '));
        process.exit(1);
    }
    console.log(`${process.argv[2]}: valid CycloneDX 1.5, ${files.length} files, ${libraries.length} linked packages`);
});
EOF_JS
