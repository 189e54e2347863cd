// Validates one glTF file with the Khronos validator installed under the
// folder given (npm's node_modules there); prints its issues as JSON and
// exits 1 when it reports an error.
'use strict';
const fs = require('fs');
const path = require('path');

const validator = require(path.join(process.argv[2], 'node_modules', 'gltf-validator'));
const file = process.argv[3];
validator.validateBytes(new Uint8Array(fs.readFileSync(file)), { maxIssues: 100 })
  .then((report) => {
    console.log(JSON.stringify(report.issues));
    process.exit(report.issues.numErrors > 0 ? 1 : 0);
  })
  .catch((error) => {
    console.error(String(error));
    process.exit(2);
  });
