// Runs the Khronos glTF validator on each file given; exits 1 when any has an error.
// Usage: node validate_gltf.js VALIDATOR_MODULE_DIR FILE...
const fs = require('fs');
const path = require('path');
const validator = require(path.resolve(process.argv[2], 'node_modules', 'gltf-validator'));

async function check(file) {
    const external = (uri) => new Promise((resolve, reject) => {
        try {
            resolve(new Uint8Array(fs.readFileSync(path.join(path.dirname(file), decodeURIComponent(uri)))));
        } catch (e) {
            reject(e.toString());
        }
    });
    const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)),
                                                 {uri: file, externalResourceFunction: external});
    const errors = report.issues.messages.filter((m) => m.severity === 0);
    console.log(`${file}: ${report.issues.numErrors} errors, ${report.issues.numWarnings} warnings`);
    for (const m of report.issues.messages.filter((m) => m.severity <= 1))
        console.log(`  ${m.code} ${m.pointer || ''}: ${m.message}`);
    return errors.length === 0 && report.issues.numWarnings === 0;
}

(async () => {
    let ok = true;
    for (const file of process.argv.slice(3))
        ok = (await check(file)) && ok;
    process.exit(ok ? 0 : 1);
})().catch((e) => {
    console.error(e);
    process.exit(2);
});
