// node validate.mjs FILE: exit 0 when FILE is a valid OpenAPI 3 document,
// else 1 with the validator's words.
import SwaggerParser from "@apidevtools/swagger-parser";

try {
  const api = await SwaggerParser.validate(process.argv[2]);
  console.log(`valid: ${api.info.title}, ${Object.keys(api.paths).length} paths`);
} catch (e) {
  console.error(e.message);
  process.exit(1);
}
