// The Khronos glTF validator over each file named after the validator's folder: one line
// per file, "<name>: <n> errors, <n> warnings", then one line per error or warning.
'use strict';
const fs = require('fs');
const path = require('path');
const validator = require(process.argv[2]);

async function validate(file) {
  const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
    uri: path.basename(file),
    maxIssues: 0,
    writeTimestamp: false,
    externalResourceFunction: (uri) =>
      fs.promises.readFile(path.resolve(path.dirname(file), decodeURIComponent(uri)))
        .then((bytes) => new Uint8Array(bytes)),
  });
  const issues = report.issues;
  console.log(`${path.basename(file)}: ${issues.numErrors} errors, ${issues.numWarnings} warnings`);
  for (const m of issues.messages.filter((m) => m.severity < 2))
    console.log(`  ${m.code} ${m.pointer || ''} ${m.message}`);
}

// A file the validator cannot read at all ends node with the reason and status 1.
(async () => {
  for (const file of process.argv.slice(3)) await validate(file);
})();
